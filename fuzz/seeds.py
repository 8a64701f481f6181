#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target into fuzz/corpus/<target>/.

Each seed is a small input of the target's script format (see the comment at the top of each
target) that takes it down a path worth starting from: a whole poll cycle, a completed run, a
day of the archive. Run it again after changing a format; the fuzz runs add their own finds
to a corpus outside the tree.
"""
import pathlib
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def dword(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def word(value):
    return struct.pack("<H", value)


def packed_clock(year, month, day, hour=0, minute=0):
    return (year - 2000) * 100000000 + month * 1000000 + day * 10000 + hour * 100 + minute


# --- ascii_reply: the bytes of one reply ---
for name, reply in {
    "value0_dot": b">0012.34abc",
    "blanks": b">  12345xyz",
    "ten_characters": b">     4200",
    "not_a_reply": b"<     42000",
    "exponent": b">-1,5E+3\r\n\x00",
    "small": b"> 1,5E-7 00\r",
    "lone_comma": b">      ,000",
    "double_1e15": struct.pack("<d", 1e15) + b">",
}.items():
    write("ascii_reply", name, reply)

# --- linkmon_replies: period choice, then one answer per value request ---
METER_TEXTS = ["12.3456", "001.234", "     12", "  34567", "      0", "     42",
               "      1", "    0,5", "      1", "      5", "      0", "     25"]


def answers(texts_in_poll_order):
    out = b""
    for text in texts_in_poll_order:
        out += bytes([len(text)]) + text
    return out


def cycle(texts):
    # Start asks for value 2 first; two cycles reach two display refreshes.
    order = [(2 + i) % 12 for i in range(24)]
    return [b">" + texts[n].encode() + b"00\r" for n in order]


write("linkmon_replies", "two_cycles", bytes([2]) + answers(cycle(METER_TEXTS)))
noisy = cycle(METER_TEXTS)
noisy[3] = b""                       # a missed reply
noisy[5] = b">  1.5.5000"            # a dot where only the comma counts
noisy[9] = b">\xff\x00\x1bABCDEF\r"  # line noise
noisy[10] = b">0012.34abc>0012.34abc"
write("linkmon_replies", "faults", bytes([0]) + answers(noisy))

# --- engine_line: rules (bit 0: arcread), then steps ---
def reply(value):
    return bytes([0]) + dword(value)


def bad_reply(value):
    return bytes([1]) + dword(value)


def pause(ms):
    return bytes([3]) + word(ms)


def start(operation, *rest):
    return bytes([4, operation]) + b"".join(rest)


ARCGSM, ARCREAD = b"\x00", b"\x01"
write("engine_line", "arcread_parameters",
      ARCREAD + start(2) + b"".join(reply(0x3F800000 + p) for p in range(200)))
write("engine_line", "arcgsm_clock_after_timeouts",
      ARCGSM + start(1) + pause(3000) + pause(3000) + reply(packed_clock(2009, 8, 15, 14, 30)))
write("engine_line", "arcread_clock_bad_then_good",
      ARCREAD + start(1) + bad_reply(7) + pause(60) + reply(packed_clock(2009, 8, 15, 14, 30)))
# 30 August and no more days: 7808 to 8000, then 0 to 127.
write("engine_line", "arcgsm_interval_through_the_wrap",
      ARCGSM + start(5, b"\x00", bytes([8 - 1, 30 - 1]), word(0))
      + b"".join(reply(1000 + p) for p in range(193 + 128)))
write("engine_line", "arcgsm_by_months_then_a_long_interval",
      ARCGSM + start(5, b"\x01\x00\x00") + reply(1) + reply(2)
      + start(5, b"\x00", bytes([2, 0]), word(40)) + reply(3))
write("engine_line", "arcread_gsm_write_short_text",
      ARCREAD + start(4, b"\x05", b"1+790") + b"".join(reply(0x20) for _ in range(40)))
write("engine_line", "arcgsm_stop_during_a_read",
      ARCGSM + start(2) + reply(1) + reply(2) + b"\x05" + start(0, dword(908151430))
      + reply(0))
write("engine_line", "arcread_noise_and_surplus",
      ARCREAD + start(2) + bytes([2, 5]) + b"#\x01\x05\x00\x00" + pause(200)
      + bytes([2, 12]) + b"\x00" * 12 + pause(300) + reply(9))

# --- export_store: groups, then runs of cells (first position, count, values) ---
def cells(position, values):
    return word(position) + bytes([len(values)]) + b"".join(dword(v) for v in values)


def day_slot(month, day, counter1, counter2, codes=(3, 2)):
    slot = []
    for hour in range(24):
        slot += [counter1 + 10 * hour, counter2 + 7 * hour]
    slot += [packed_clock(2009, month, day), 123456, 654321, 0, codes[0], codes[1]]
    return slot


def day_position(month, day):
    return (day - 1 + 31 * ((month - 1) % 4)) * 64


hourly = b"".join(cells(day_position(8, d), day_slot(8, d, 5000 + 240 * d, 900 + 170 * d))
                  for d in (14, 15, 16))
months = []
for m in (6, 7, 8):
    months += [packed_clock(2009, m, 1), 1000 * m, 700 * m, 5000 + 720 * m, 4000 + 700 * m]
monthly = cells(130 * 64, months) + cells(130 * 64 + 62, [3, 2])
write("export_store", "three_days_and_three_months", bytes([3]) + hourly + monthly)
write("export_store", "hourly_factor_codes",
      bytes([5]) + cells(day_position(8, 15), day_slot(8, 15, 100, 0, (7, 250))))
write("export_store", "erased_and_equal_stamps",
      bytes([3]) + cells(0, [0xFFFFFFFF] * 64)
      + b"".join(cells(day_position(1, d), day_slot(1, 2, 10 * d, 0)) for d in (1, 2, 3))
      + cells(130 * 64, [0xFFFFFFFF, 1, 2, 3, 4, packed_clock(2009, 1, 1), 0, 5, 0, 0]))

# --- node_directory: the bytes of gsm_csd.ini ---
def ini(text):
    return text.replace("\n", "\r\n").encode("cp1251")


write("node_directory", "two_nodes",
      ini("[baza]\nkol_uzlov=2\ntel_1=+79001110001\nname_u1=Котельная\n"
          "tel_2=ATD89001110002\nname_u2=Школа\n"))
write("node_directory", "sections_comments_and_case",
      ini("; справочник\n[other]\nkol_uzlov=9\n[BAZA]\nname_u2=Б\nTel_2 = 222 \n"
          "kol_uzlov = 2\nname_u1=А\ntel_1=111\n[next]\ntel_1=999\n"))
write("node_directory", "wild_key_number", b"[baza]\nkol_uzlov=2000000000\ntel_2000000000=1\n")
write("node_directory", "unassigned_byte_and_bare_cr",
      b"[baza]\rkol_uzlov=1\rname_u1=\x98\xff\rtel_1=7\r")

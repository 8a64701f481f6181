// The exchange engine of the archive programs on virtual time, with arbitrary bytes from the
// line. The input picks the program's rules, then is a script of steps: operations started as
// the programs start them, Stop and Start, well-formed and corrupted replies to the request
// outstanding, raw bytes, pauses. Checks:
// - every request is a well-formed frame of the running operation, at its start position, the
//   position before it (asked again) or the next one (after 8000 comes 0 where the ring wraps);
// - a reply is stored at the position of the request outstanding when it is taken, and the store
//   changes nowhere else;
// - a run ends once: completed at its end position with its follow-up run once, or given up
//   after the program's run of failures; with the line silent every run ends.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "archive/engine.h"
#include "archive/parameter_sheet.h"
#include "archive/range_selection.h"
#include "fuzz/fuzz_support.h"
#include "gsm/gsm_settings.h"
#include "link/frames.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"

namespace {

using fuzz::Check;
using namespace archive;
using namespace platform;

constexpr std::uint8_t kAddress = 1;
constexpr std::size_t kLongestNoise = 24;
constexpr std::int64_t kReplyMs = 2;    // an 11-byte reply crosses the line at 115200 baud
constexpr std::int64_t kSilenceMs = 60000;  // longer than any program's run of time-outs
constexpr std::int32_t kWholeArchiveEnd = 12800;  // arcread reads records 0 to 12799

// The run the script started, as the requests must follow it.
struct Run {
  bool active = false;
  std::uint8_t command = 0;
  std::uint16_t start = 0;
  std::int32_t end = 0;
  bool firstRequest = true;
  std::uint16_t lastPosition = 0;
  int followUps = 0;
};

class EngineRig {
 public:
  explicit EngineRig(const EngineRules& rules)
      : rules_(rules),
        engine_(rules, loop_, port_, store_, {&flag_, &address_, &status_, &gauge_}) {
    address_.Text = std::to_string(kAddress);
    port_.SetPortOpen(true);
    port_.OnBytesArrived = [this] { BytesArrived(); };
    for (std::uint8_t command : {kSetClock, kReadClock, kReadParams, kReadArchive, kWriteGsm,
                                 kReadGsm})
      engine_.SetFollowUp(command, [this] { FollowUp(); });
    engine_.OnRunEnded = [this](bool completed) { RunEnded(completed); };
    engine_.ResetForStart();
  }

  // One step of the script, and a look at the requests it made go out.
  void Step(fuzz::Script& script) {
    switch (script.byte() % 6) {
      case 0: Reply(script.dword(), false); break;
      case 1: Reply(script.dword(), true); break;
      case 2: Noise(script.bytes(script.byte() % kLongestNoise)); break;
      case 3: loop_.runFor(script.word()); break;
      case 4: StartOperation(script); break;
      default: Restart();
    }
    CheckRequests();
  }

  // Leaves the line silent until every run has ended, then looks at the whole store.
  void Finish() {
    loop_.runFor(kSilenceMs);
    CheckRequests();
    Check(!engine_.Running(), "with the line silent every run ends");
    Check(!run_.active, "a run that ended has reported its end");
    CheckStoreUnchanged("the store changes only when a reply is taken");
    Check(fuzz::Cp1251Text(status_.Panels[0].get()), "the status text can be shown");
  }

 private:
  // Bytes reached the port: the receiver runs, as in the programs. Only with exactly one reply
  // waiting may the store change, at the position of the request outstanding; a change at any
  // other time or place shows at the next look.
  void BytesArrived() {
    const auto receive = [this] { RunHandler([this] { engine_.ApplicationEvents1Idle(); }); };
    if (port_.InBufferCount() != devlink::kFrameSize) return receive();
    CheckRequests();
    const bool running = engine_.Running();
    const std::uint16_t outstanding = run_.lastPosition;
    receive();
    if (running) shadow_[outstanding] = store_.WordValues[outstanding];
    CheckStoreUnchanged("a reply is stored at the position of the request outstanding only");
  }

  // One reply writes all three arrays; WordValues shows where.
  void CheckStoreUnchanged(std::string_view what) {
    if (shadow_ == store_.WordValues) return;
    const auto cell = std::mismatch(shadow_.begin(), shadow_.end(), store_.WordValues.begin());
    fuzz::Fail(what, "a change at " + std::to_string(cell.first - shadow_.begin()));
  }

  // The meter's reply to the request outstanding (the last one sent), or a corrupted one.
  void Reply(std::uint32_t value, bool corrupted) {
    const auto& writes = line_.writes();
    const auto request = devlink::FrameFromBytes(writes.empty() ? "" : writes.back());
    auto reply = devlink::BinaryRequest(request[1], request[2],
                                        static_cast<std::uint16_t>(request[3] | request[4] << 8),
                                        value);
    if (corrupted) reply[9] ^= 0x5A;
    Noise(devlink::FrameBytes(reply));
  }

  void Noise(const std::string& bytes) {
    line_.peerSend(bytes);
    loop_.runFor(kReplyMs);
  }

  // An operation as the programs start one: a row of the command table, or an archive read by
  // a range (arcgsm) or of the whole archive (arcread).
  void StartOperation(fuzz::Script& script) {
    const int single = rules_.singleRecordEnd();
    switch (script.byte() % 6) {
      case 0:
        engine_.PcClock = script.dword();
        return Start(kSetClock, 0, single);
      case 1: return Start(kReadClock, 0, single);
      case 2: return Start(kReadParams, 0, kParameterRecords);
      case 3: return Start(kReadGsm, gsm::kSettingsFirst, gsm::kSettingsEnd);
      case 4:
        engine_.GsmSettingsText = script.bytes(script.byte() % 48);
        return Start(kWriteGsm, gsm::kSettingsFirst, gsm::kSettingsEnd);
      default: return StartArchiveRead(script);
    }
  }

  void StartArchiveRead(fuzz::Script& script) {
    if (!rules_.ringWrap) return Start(kReadArchive, 0, kWholeArchiveEnd);
    engine_.ReadByMonths = script.byte() & 1;
    const int month = 1 + script.byte() % 12, day = 1 + script.byte() % 31;
    const ArchiveRange range = engine_.ReadByMonths
                                   ? MonthsRange()
                                   : IntervalRange(month, day, std::to_string(script.word()));
    Start(kReadArchive, range.start, range.end);
  }

  void Start(std::uint8_t command, std::uint16_t start, std::int32_t end) {
    run_ = {true, command, start, end};
    engine_.StartOperation(command, start, end);
  }

  // Stop, then Start: command 3 goes out, the run ends without a report, the state is reset.
  void Restart() {
    run_.active = false;
    engine_.SendStopRequest();
    CheckStopRequest();
    engine_.ResetForStart();
  }

  void FollowUp() {
    Check(!engine_.Running(), "the follow-up runs with the exchange off");
    ++run_.followUps;
  }

  void RunEnded(bool completed) {
    CheckRequests();
    Check(run_.active, "a run ends once");
    Check(!engine_.Running(), "an ended run leaves the exchange off");
    if (completed) {
      Check(run_.followUps == 1, "a completed run has run its follow-up once");
      const std::int32_t pos = engine_.RecordPos;
      Check(rules_.completeAtOrPast ? pos >= run_.end : pos == run_.end,
            "a run completes at its end position");
    } else {
      Check(run_.followUps == 0, "a given-up run has no follow-up");
      Check(engine_.TimeoutCount >= rules_.giveUpAfter,
            "a run is given up only after the program's run of failures");
    }
    run_.active = false;
  }

  std::uint16_t NextPosition(std::uint16_t position) const {
    const auto next = static_cast<std::uint16_t>(position + 1);
    return rules_.ringWrap && !engine_.ReadByMonths && next > kRingEnd ? 0 : next;
  }

  devlink::Frame TakeRequest() {
    const std::string& bytes = line_.writes()[checkedWrites_++];
    Check(bytes.size() == devlink::kFrameSize, "a request is one 11-byte write");
    const auto f = devlink::FrameFromBytes(bytes);
    Check(f[0] == 0x23 && f[1] == kAddress && f[10] == 0x0D && devlink::ReplyChecksumOk(f),
          "a request is a well-formed frame");
    return f;
  }

  // The requests sent since the last look, against the run they belong to: every step looks
  // before the next one may change the run.
  void CheckRequests() {
    while (checkedWrites_ < line_.writes().size()) {
      const auto f = TakeRequest();
      const auto position = static_cast<std::uint16_t>(f[3] | f[4] << 8);
      Check(run_.active, "requests go out only while a run is on");
      Check(f[2] == run_.command, "a request carries the run's command");
      Check(run_.firstRequest ? position == run_.start
                              : position == run_.lastPosition ||
                                    position == NextPosition(run_.lastPosition),
            "a request asks for the start position, the same one again or the next one",
            std::to_string(position));
      Check(position < kStoreCells, "a requested position has a cell in the store");
      run_.firstRequest = false;
      run_.lastPosition = position;
    }
  }

  void CheckStopRequest() {
    const auto f = TakeRequest();
    Check(f[2] == kStop && f[3] == 0 && f[4] == 0, "Stop sends command 3 at position 0");
  }

  const EngineRules& rules_;
  VirtualLoop loop_;
  MemoryLine line_{loop_};
  MSComm port_{line_.factory()};
  RecordStore store_;
  CheckBox flag_{"CheckBox4", nullptr};
  ComboBox address_{"ComboBox11", nullptr};
  StatusBar status_{"StatusBar1", nullptr};
  Gauge gauge_{"Gauge1", nullptr};
  Engine engine_;
  Run run_;
  std::size_t checkedWrites_ = 0;
  std::vector<std::uint32_t> shadow_ = store_.WordValues;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FailOnReportedErrors();
  fuzz::Script script(data, size);
  EngineRig rig(script.byte() & 1 ? kArcreadRules : kArcgsmRules);
  while (!script.done()) rig.Step(script);
  rig.Finish();
  return 0;
}

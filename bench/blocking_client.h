#pragma once
// The floor of the line benchmark: the least a client can do per record. It writes an 11-byte
// request, sleeps in read() until the terminal holds the 11 bytes of the reply, and asks for the
// next record. No event loop, no time-outs, no windows.
#include <string>

namespace bench {

struct ClientRead {
  long records = 0;
  long bad = 0;        // replies whose checksum did not hold
  double seconds = 0;  // from the first record request to the last reply
  double cpu = 0;      // user + system seconds of the reading
};

// Opens the terminal, dials `phone` first when it is not empty (a modem front), sends the
// console request, then reads `count` archive records from position 0. Throws
// std::runtime_error when the line fails or stays silent for `silenceSeconds`.
ClientRead BlockingRead(const std::string& path, const std::string& phone, long count,
                        unsigned silenceSeconds = 10);

}  // namespace bench

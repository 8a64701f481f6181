#pragma once
// A scripted meter for archive scenarios: it frames the 11-byte requests the program sends,
// keeps them in order, and answers each as the test's policy says (a value, a corrupted
// reply, nothing), after a reply delay on the virtual line.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/frames.h"
#include "platform/virtual/memory_line.h"

struct Request {
  std::uint8_t address, command;
  std::uint16_t position;
  std::uint32_t data;
};

struct Answer {
  enum Kind { Value, BadChecksum, Silent, Raw } kind = Value;
  std::uint32_t value = 0;
  std::string raw;  // Kind::Raw: these bytes as they are
};

class ScriptedMeter {
 public:
  explicit ScriptedMeter(platform::MemoryLine& line) : line_(line) {
    line_.onPeerReceives = [this](const std::string& bytes) { Receive(bytes); };
  }

  // How to answer a request; by default the record memory below, good replies.
  std::function<Answer(const Request&)> policy = [this](const Request& r) {
    return Answer{Answer::Value, memory(r)};
  };
  std::function<std::uint32_t(const Request&)> memory = [](const Request& r) {
    return 1000u + r.position;
  };

  std::vector<Request> requests;
  std::string ascii;  // the text frames ("#00FC9\r"), in order

  std::vector<Request> requestsOf(std::uint8_t command) const {
    std::vector<Request> out;
    for (const auto& r : requests)
      if (r.command == command) out.push_back(r);
    return out;
  }

 private:
  void Receive(const std::string& bytes) {
    pending_ += bytes;
    // Binary frames are 11 bytes ending in CR with a good checksum; text frames end with CR
    // at offset 6; anything else is skipped a byte at a time.
    while (pending_.size() >= 7) {
      const auto f = devlink::FrameFromBytes(pending_);
      if (pending_.size() >= devlink::kFrameSize && f[10] == 0x0D && devlink::ReplyChecksumOk(f)) {
        Reply(f);
        pending_.erase(0, devlink::kFrameSize);
      } else if (pending_[6] == '\r') {
        ascii += pending_.substr(0, 7);
        pending_.erase(0, 7);
      } else if (pending_.size() >= devlink::kFrameSize) {
        pending_.erase(0, 1);
      } else {
        break;
      }
    }
  }

  void Reply(const devlink::Frame& f) {
    const Request r{f[1], f[2], static_cast<std::uint16_t>(f[3] | f[4] << 8),
                    devlink::ReplyValue(f)};
    requests.push_back(r);
    const Answer a = policy(r);
    if (a.kind == Answer::Silent) return;
    if (a.kind == Answer::Raw) return line_.peerSend(a.raw);
    auto reply = devlink::BinaryRequest(r.address, r.command, r.position, a.value);
    if (a.kind == Answer::BadChecksum) reply[9] ^= 0x55;
    line_.peerSend(devlink::FrameBytes(reply));
  }

  platform::MemoryLine& line_;
  std::string pending_;
};

#include "platform/virtual/memory_line.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/errors.h"

namespace platform {

class MemoryLine::Device : public SerialDevice {
 public:
  explicit Device(MemoryLine& line) : line_(line) { line_.device_ = this; }
  ~Device() override {
    if (line_.device_ == this) line_.device_ = nullptr;
  }
  void open(const LineSettings& s) override {
    line_.settings_ = s;
    open_ = true;
  }
  void close() override {
    open_ = false;
    line_.rts_ = false;
    line_.toProgram_.clear();
  }
  bool isOpen() const override { return open_; }
  void setRts(bool on) override { line_.rts_ = on; }
  std::size_t bytesWaiting() override { return line_.toProgram_.size(); }
  std::string readAll() override { return std::exchange(line_.toProgram_, {}); }
  void write(std::string_view bytes) override {
    if (!open_) throw PortError("Порт закрыт");
    line_.written_.append(bytes);
    line_.writes_.emplace_back(bytes);
    // Each byte reaches the peer when its last bit has crossed the line, also when the port
    // has been closed (and this device destroyed) by then.
    const std::int64_t t = line_.byteTimeUs();
    std::int64_t at = std::max(line_.loop_.nowUs(), line_.hostFreeUs_);
    for (char c : bytes) {
      at += t;
      line_.loop_.scheduleUs(at - line_.loop_.nowUs(), [&line = line_, c] {
        if (line.onPeerReceives) line.onPeerReceives(std::string(1, c));
      });
    }
    line_.hostFreeUs_ = at;
  }

 private:
  MemoryLine& line_;
  bool open_ = false;
};

MemoryLine::MemoryLine(VirtualLoop& loop) : loop_(loop) {}
MemoryLine::~MemoryLine() = default;

DeviceFactory MemoryLine::factory() {
  return [this](const std::string& port) -> std::unique_ptr<SerialDevice> {
    if (port != "sim") PortPath(port);  // the same checks as a real port
    return std::make_unique<Device>(*this);
  };
}

std::int64_t MemoryLine::byteTimeUs() const {
  if (fixedByteUs_ >= 0) return fixedByteUs_;
  return settings_.baud > 0 ? 10 * 1000000LL / settings_.baud : 0;
}

bool MemoryLine::portOpen() const { return device_ && device_->isOpen(); }

void MemoryLine::peerSend(const std::string& bytes) {
  const std::int64_t t = byteTimeUs();
  std::int64_t at = std::max(loop_.nowUs(), peerFreeUs_);
  for (char c : bytes) {
    at += t;
    loop_.scheduleUs(at - loop_.nowUs(), [this, c] {
      if (!portOpen()) return;  // a closed port loses what arrives
      toProgram_ += c;
      if (device_->onBytesArrived) device_->onBytesArrived();
    });
  }
  peerFreeUs_ = at;
}

void MemoryLine::clearWritten() {
  written_.clear();
  writes_.clear();
}

void MemoryLine::pull() {
  if (!portOpen()) return;
  toProgram_.clear();
  if (device_->onLost) device_->onLost("Устройство последовательного порта отключено");
}

}  // namespace platform

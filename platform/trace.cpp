#include "platform/trace.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/errors.h"

namespace platform {
namespace {

std::string Stamp(double dayCount) {
  const DateTime t = DecodeDateTime(dayCount);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.msec);
  return text;
}

std::string SettingsText(const LineSettings& s) {
  return std::to_string(s.baud) + ',' + s.parity + ',' + std::to_string(s.dataBits) + ',' +
         std::to_string(s.stopBits);
}

// The direction mark and the bytes: "> 23 00 0D".
std::string Traffic(char direction, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text(1, direction);
  for (unsigned char b : bytes) {
    text += ' ';
    text += kHex[b >> 4];
    text += kHex[b & 0x0F];
  }
  return text;
}

// The name a port is traced under: the device path it stands for, or the text itself (sim).
std::string TracedName(const std::string& port) {
  try {
    return PortPath(port);
  } catch (const PortError&) {
    return port;
  }
}

class TracedDevice : public SerialDevice {
 public:
  TracedDevice(std::unique_ptr<SerialDevice> inner, std::shared_ptr<TraceLog> log,
               std::string port)
      : inner_(std::move(inner)), log_(std::move(log)), port_(std::move(port)) {
    inner_->onBytesArrived = [this] {
      if (onBytesArrived) onBytesArrived();
    };
    inner_->onLost = [this](const std::string& message) {
      log_->failed(port_, message);
      if (onLost) onLost(message);
    };
  }

  void open(const LineSettings& settings) override {
    traced([&] { inner_->open(settings); });
    log_->opened(port_, settings);
  }
  void close() override {
    const bool wasOpen = inner_->isOpen();
    inner_->close();
    if (wasOpen) log_->closed(port_);
  }
  bool isOpen() const override { return inner_->isOpen(); }
  void setRts(bool on) override { inner_->setRts(on); }
  std::size_t bytesWaiting() override { return inner_->bytesWaiting(); }
  std::string readAll() override {
    std::string bytes = inner_->readAll();
    if (!bytes.empty()) log_->received(bytes);
    return bytes;
  }
  void write(std::string_view bytes) override {
    log_->sent(bytes);
    traced([&] { inner_->write(bytes); });
  }

 private:
  // Runs an operation of the inner device; its failure is traced and goes on to the caller.
  template <typename Operation>
  void traced(Operation operation) {
    try {
      operation();
    } catch (const Error& e) {
      log_->failed(port_, e.what());
      throw;
    }
  }

  std::unique_ptr<SerialDevice> inner_;
  std::shared_ptr<TraceLog> log_;
  std::string port_;
};

}  // namespace

TraceLog::TraceLog(const std::string& path, Clock clock)
    : file_(std::fopen(path.c_str(), "wb"), &std::fclose), clock_(std::move(clock)) {
  if (!file_)
    throw FileError("Не удалось создать файл трассировки " + path + ": " + std::strerror(errno));
}

void TraceLog::opened(const std::string& port, const LineSettings& settings) {
  line("open " + port + ' ' + SettingsText(settings));
}

void TraceLog::closed(const std::string& port) { line("close " + port); }

void TraceLog::failed(const std::string& port, const std::string& message) {
  line("error " + port + ": " + message);
}

void TraceLog::sent(std::string_view bytes) { line(Traffic('>', bytes)); }

void TraceLog::received(std::string_view bytes) { line(Traffic('<', bytes)); }

void TraceLog::line(const std::string& text) {
  const std::string whole = Stamp(clock_()) + ' ' + text + '\n';
  std::fwrite(whole.data(), 1, whole.size(), file_.get());
  std::fflush(file_.get());
}

std::unique_ptr<SerialDevice> TraceDevice(std::unique_ptr<SerialDevice> inner,
                                          std::shared_ptr<TraceLog> log, std::string port) {
  return std::make_unique<TracedDevice>(std::move(inner), std::move(log), std::move(port));
}

DeviceFactory TracingFactory(DeviceFactory inner, std::shared_ptr<TraceLog> log) {
  return [inner = std::move(inner), log = std::move(log)](const std::string& port) {
    const std::string name = TracedName(port);
    std::unique_ptr<SerialDevice> device;
    try {
      device = inner(port);
    } catch (const Error& e) {
      log->failed(name, e.what());
      throw;
    }
    return TraceDevice(std::move(device), log, name);
  };
}

DeviceFactory TraceToFile(DeviceFactory inner, const std::string& traceFile) {
  if (traceFile.empty()) return inner;
  return TracingFactory(std::move(inner), std::make_shared<TraceLog>(traceFile));
}

}  // namespace platform

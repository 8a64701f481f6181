#include "platform/serial.h"

#include <vector>

#include "platform/errors.h"

namespace platform {
namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == sep) parts.emplace_back();
    else parts.back() += c;
  }
  return parts;
}

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

LineSettings ParseLineSettings(const std::string& text) {
  const auto bad = [&]() {
    return PortError("Неверные параметры линии «" + text +
                     "»: ожидается скорость,чётность,биты,стоп, например 9600,N,8,1");
  };
  const auto parts = Split(text, ',');
  if (parts.size() != 4) throw bad();
  LineSettings s;
  if (!AllDigits(parts[0]) || !AllDigits(parts[2]) || parts[1].size() != 1) throw bad();
  s.baud = std::stoi(parts[0]);
  s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[1][0])));
  s.dataBits = std::stoi(parts[2]);
  if (parts[3] == "1") s.stopBits = 1;
  else if (parts[3] == "2") s.stopBits = 2;
  else throw bad();
  if (s.baud <= 0 || std::string("NEOMS").find(s.parity) == std::string::npos ||
      s.dataBits < 5 || s.dataBits > 8)
    throw bad();
  return s;
}

std::string PortName(const std::string& listText) {
  return listText.substr(0, listText.find(" ("));
}

std::string PortPath(const std::string& port) {
  if (port.find('/') != std::string::npos) return port;
  if (AllDigits(port)) {
    const int n = std::stoi(port);
    if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  throw PortError("Неверный порт «" + port +
                  "»: ожидается номер от 1, путь к устройству (/dev/ttyUSB0) или sim");
}

MSComm::MSComm(DeviceFactory factory) : factory_(std::move(factory)) {}

MSComm::~MSComm() {
  if (device_) device_->close();
}

void MSComm::SetPortOpen(bool open) {
  if (!open) {
    if (device_) device_->close();
    device_.reset();
    return;
  }
  if (device_ && device_->isOpen()) throw PortError("Порт " + CommPort + " уже открыт");
  device_.reset();  // a device lost earlier
  const LineSettings settings = ParseLineSettings(Settings);
  auto device = factory_(PortName(CommPort));
  device->onBytesArrived = [this] {
    if (OnBytesArrived) OnBytesArrived();
  };
  device->onLost = [this](const std::string& message) {
    // The device is closed by the time the owner hears of it; keep it until then so that the
    // call stack that reported the loss is not pulled from under itself.
    if (device_) device_->close();
    if (OnLost) OnLost(message);
  };
  device->open(settings);
  device_ = std::move(device);
}

bool MSComm::PortOpen() const { return device_ && device_->isOpen(); }

void MSComm::SetRTSEnable(bool on) {
  if (PortOpen()) device_->setRts(on);
}

std::size_t MSComm::InBufferCount() { return PortOpen() ? device_->bytesWaiting() : 0; }

std::string MSComm::Input() {
  if (!PortOpen()) throw PortError("Порт " + CommPort + " закрыт");
  return device_->readAll();
}

void MSComm::Output(std::string_view bytes) {
  if (!PortOpen()) throw PortError("Порт " + CommPort + " закрыт");
  device_->write(bytes);
}

}  // namespace platform

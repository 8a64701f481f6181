#include "platform/qt/port_list.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

#include "platform/serial.h"

namespace platform {
namespace {

// The devices that the port numbers 1 to 9 stand for.
const std::set<std::string>& NumberedDevices() {
  static const std::set<std::string> devices = [] {
    std::set<std::string> s;
    for (int n = 1; n <= 9; ++n) s.insert(PortPath(std::to_string(n)));
    return s;
  }();
  return devices;
}

// A name split at its trailing number: "/dev/ttyUSB10" is {"/dev/ttyUSB", 10}.
std::pair<std::string, unsigned long long> NameAndNumber(const std::string& path) {
  std::size_t digits = path.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(path[digits - 1]))) --digits;
  const std::string number = path.substr(digits);
  if (number.empty() || number.size() > 18) return {path, 0};
  return {path.substr(0, digits), std::stoull(number)};
}

}  // namespace

std::vector<std::string> PortListDevices(std::vector<std::string> paths) {
  std::erase_if(paths, [](const std::string& p) { return NumberedDevices().count(p) > 0; });
  std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    const auto keyA = NameAndNumber(a), keyB = NameAndNumber(b);
    return keyA != keyB ? keyA < keyB : a < b;
  });
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  return paths;
}

std::string UnavailableNote(const std::string& path) {
  QSerialPort port(QString::fromStdString(path));
  if (port.open(QIODevice::ReadWrite)) return {};  // the same open, lock file included, as Start's
  return port.error() == QSerialPort::DeviceNotFoundError ? "нет устройства"
                                                          : "занят или нет доступа";
}

std::vector<std::string> SerialDevicesFound() {
  std::vector<std::string> paths;
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
    paths.push_back(port.systemLocation().toStdString());
  paths = PortListDevices(std::move(paths));
  for (auto& path : paths)
    if (const std::string note = UnavailableNote(path); !note.empty()) path += " (" + note + ")";
  return paths;
}

}  // namespace platform

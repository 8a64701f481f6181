#include "sim/sim_port.h"

#include "platform/qt/qt_serial.h"

namespace sim {

SimulatedPort::SimulatedPort(platform::EventLoop& loop, const SimOptions& options)
    : host_(std::make_unique<PtyHost>(loop, options)),
      port_(platform::OpenQtSerialDevice(host_->path())),
      followBaud_(options.baud <= 0) {
  port_->onBytesArrived = [this] {
    if (onBytesArrived) onBytesArrived();
  };
  port_->onLost = [this](const std::string& message) {
    if (onLost) onLost(message);
  };
}

SimulatedPort::~SimulatedPort() { port_->close(); }

void SimulatedPort::open(const platform::LineSettings& settings) {
  port_->open(settings);
  if (followBaud_) host_->setBaud(settings.baud);
}

void SimulatedPort::close() { port_->close(); }
bool SimulatedPort::isOpen() const { return port_->isOpen(); }
void SimulatedPort::setRts(bool on) { port_->setRts(on); }
std::size_t SimulatedPort::bytesWaiting() { return port_->bytesWaiting(); }
std::string SimulatedPort::readAll() { return port_->readAll(); }
void SimulatedPort::write(std::string_view bytes) { port_->write(bytes); }

std::unique_ptr<platform::SerialDevice> OpenSimulatedPort(platform::EventLoop& loop,
                                                          const SimOptions& options) {
  return std::make_unique<SimulatedPort>(loop, options);
}

}  // namespace sim

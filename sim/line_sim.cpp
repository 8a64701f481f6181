#include "sim/line_sim.h"

namespace sim {

SimulatedLine::SimulatedLine(platform::VirtualLoop& loop, const SimOptions& options)
    : loop_(loop), line_(loop), meter_(std::make_unique<Meter>(loop, options)) {
  if (options.baud > 0) line_.setByteTimeUs(10 * 1000000LL / options.baud);
  if (options.modem) {
    modem_ = std::make_unique<Modem>(loop, options.modemOptions);
    line_.onPeerReceives = [this](const std::string& bytes) { modem_->receive(bytes); };
    modem_->send = [this](const std::string& bytes) { line_.peerSend(bytes); };
    modem_->toMeter = [this](const std::string& bytes) { meter_->receive(bytes); };
    meter_->send = [this](const std::string& bytes) { modem_->fromMeter(bytes); };
  } else {
    line_.onPeerReceives = [this](const std::string& bytes) { meter_->receive(bytes); };
    meter_->send = [this](const std::string& bytes) { line_.peerSend(bytes); };
  }
}

SimulatedLine::~SimulatedLine() {
  line_.onPeerReceives = nullptr;
  modem_.reset();
  meter_.reset();
}

}  // namespace sim

#include "monitor/poll_cycle.h"

#include <cmath>

#include "link/frames.h"
#include "platform/errors.h"

namespace monitor {
namespace {

constexpr std::uint8_t kStopCommand = 3;
constexpr std::uint8_t kLastValue = kValueCount - 1;
constexpr std::size_t kShortestReply = 11;

std::string Number(int n) { return std::to_string(n); }

char CommandOf(std::uint8_t valueNumber) { return "0123456789AB"[valueNumber]; }

std::uint8_t AddressFrom(const std::string& text) {
  try {
    // The entered number is kept modulo 256.
    return static_cast<std::uint8_t>(platform::ParseInteger(text));
  } catch (const platform::ConversionError& e) {
    throw platform::ConversionError(std::string("Адрес прибора: ") + e.what());
  }
}

// A reply's number text as the status bar can show it: blanks trimmed, line noise as "?".
std::string ShownText(const std::string& text) {
  std::string shown;
  for (char c : text) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
  const auto b = shown.find_first_not_of(' ');
  return b == std::string::npos ? "" : shown.substr(b, shown.find_last_not_of(' ') - b + 1);
}

}  // namespace

int PointCode(std::string reply) {
  if (const auto dot = reply.find('.'); dot != std::string::npos) reply[dot] = ',';
  const auto comma = reply.find(',');
  return comma == std::string::npos ? -3 : static_cast<int>(comma) + 1 - 3;
}

PollCycle::PollCycle(platform::EventLoop& loop, const MonitorControls& controls)
    : MonitorControls(controls), loop_(loop) {
  Timer1.OnTimer = [this] { RunPollStep([this] { Timer1Timer(); }); };
  Timer2.OnTimer = [this] { RunPollStep([this] { Timer2Timer(); }); };
  MSComm1.OnLost = [this](const std::string& message) {
    // The port's device is still reporting its loss: stop the timers now, and close the port
    // and report once that report has returned.
    Timer1.SetEnabled(false);
    Timer2.SetEnabled(false);
    loop_.schedule(0, [this, message] {
      RunPollStep([&message] { throw platform::PortError(message); });
    });
  };
}

void PollCycle::Button2Click() {
  PollIndex = 1;
  DeviceAddress = AddressFrom(ComboBox11.Text);
  ReplyPending = 0;
  OpenPort();
  try {
    MSComm1.Output(devlink::FrameBytes(devlink::BinaryRequest(DeviceAddress, kStopCommand, 0, 0)));
  } catch (const platform::Error&) {
    MSComm1.SetPortOpen(false);
    throw;
  }
  Timer2.SetEnabled(true);
  Timer1.SetEnabled(true);
  SetStopped(false);
}

void PollCycle::OpenPort() {
  MSComm1.CommPort = ComboBox1.Text;
  MSComm1.InputLen = 0;
  MSComm1.RThreshold = 0;
  MSComm1.SThreshold = 0;
  MSComm1.InputMode = platform::MSComm::comInputModeText;
  MSComm1.InBufferSize = 1024;
  MSComm1.OutBufferSize = 1024;
  MSComm1.NullDiscard = false;
  MSComm1.Settings = ComboBox10.Text;
  MSComm1.SetPortOpen(true);
  MSComm1.SetRTSEnable(true);
}

void PollCycle::Button1Click() {
  MSComm1.SetPortOpen(false);
  Timer2.SetEnabled(false);
  Timer1.SetEnabled(false);
  SetStopped(true);
}

// Closing the port alone would leave the timers ticking on a closed port: stop polling.
void PollCycle::FormDeactivate() { Button1Click(); }

void PollCycle::SetStopped(bool stopped) {
  Button1.Enabled = !stopped;
  Button2.Enabled = stopped;
  ComboBox10.Enabled = stopped;
  ComboBox11.Enabled = stopped;
  ComboBox1.Enabled = stopped;
}

void PollCycle::Timer1Timer() {
  const bool replyMissed = ReplyPending == 1;
  if (replyMissed) {
    MSComm1.Input();
    StatusBar1.Panels[1] = "Сбой связи канала №" + Number(PollIndex);
    Gauge1.ForeColor = platform::colors::Red;
  } else {
    Gauge1.ForeColor = platform::colors::Navy;
    Gauge1.Progress = PollIndex;
    StatusBar1.Panels[1] = "Связь в норме";
  }
  PollIndex = PollIndex == kLastValue ? 0 : PollIndex + 1;
  Button15Click();
  if (OnPollTick) OnPollTick(replyMissed);
}

void PollCycle::Button15Click() {
  StatusBar1.Panels[0] = "Запрос канала №" + Number(PollIndex);
  MSComm1.Output(devlink::AsciiRequest(DeviceAddress, CommandOf(PollIndex)));
  ReplyPending = 1;
}

void PollCycle::Timer2Timer() {
  if (MSComm1.InBufferCount() < kShortestReply) return;
  const std::string reply = MSComm1.Input();
  const auto text = devlink::AsciiReplyText(reply, PollIndex <= 1);
  if (!text) return;
  if (PollIndex == 0) PointCode1 = PointCode(reply);
  if (PollIndex == 1) PointCode2 = PointCode(reply);
  const auto value = devlink::ParseCommaNumber(*text);
  if (!value || !std::isfinite(*value)) {
    // Not stored, and the reply stays pending: the next tick reports it as missed.
    StatusBar1.Panels[0] =
        "Ответ канала №" + Number(PollIndex) + " не число: «" + ShownText(*text) + "»";
    return;
  }
  PollValues[PollIndex] = *value;
  StatusBar1.Panels[0] = "Ответ канала №" + Number(PollIndex);
  ReplyPending = 0;
  if (PollIndex == 0) {
    RefreshDisplay(*this, Display);
    if (OnDisplayRefreshed) OnDisplayRefreshed();
  }
}

// A port that fails while polling ends the polling before its error is reported, so that the
// timers do not raise the same error again at every tick.
void PollCycle::RunPollStep(const std::function<void()>& step) {
  platform::RunHandler([&] {
    try {
      step();
    } catch (const platform::PortError&) {
      Button1Click();
      throw;
    }
  });
}

}  // namespace monitor

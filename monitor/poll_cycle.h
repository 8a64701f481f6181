#pragma once
// The live monitor's poll cycle: Start sends the stop command frame and starts two timers; the
// poll tick asks for the next of the twelve values with an ASCII request and reports a missed
// reply; the reply reader stores each '>' reply and refreshes the display after value 0.
#include <functional>
#include <string>

#include "monitor/display.h"
#include "monitor/poll_state.h"
#include "platform/controls.h"
#include "platform/event_loop.h"
#include "platform/serial.h"

namespace monitor {

// The window's parts that the poll cycle reads and writes.
struct MonitorControls {
  platform::MSComm& MSComm1;
  platform::Timer& Timer1;         // poll tick
  platform::Timer& Timer2;         // reply reader, every 10 ms
  platform::Button& Button2;       // "Старт"
  platform::Button& Button1;       // "Стоп"
  platform::ComboBox& ComboBox10;  // line settings
  platform::ComboBox& ComboBox11;  // device address
  platform::ComboBox& ComboBox1;   // port
  platform::StatusBar& StatusBar1; // request and reply; link state
  platform::Gauge& Gauge1;         // how far the cycle has come
  DisplayControls Display;
};

// The point code of a current-flow reply: the position of its decimal comma (its first "."
// taken as the comma), counted from 1 at the reply's first character, less 3; -3 without one.
int PointCode(std::string reply);

// The handlers are those of the window's controls; the poll state and the controls are in
// scope under their own names, as the window's program-wide variables.
class PollCycle : private MonitorControls, private PollState {
 public:
  PollCycle(platform::EventLoop& loop, const MonitorControls& controls);

  void Button2Click();    // Start
  void Button1Click();    // Stop
  void FormDeactivate();  // another window of the program became active
  void Timer1Timer();     // poll tick
  void Timer2Timer();     // reply reader
  void Button15Click();   // request sender

  const PollState& State() const { return *this; }
  bool Polling() const { return Timer1.Enabled(); }

  // Observers for a headless run: each display refresh, and each tick with whether it found
  // the last request unanswered.
  std::function<void()> OnDisplayRefreshed;
  std::function<void(bool replyMissed)> OnPollTick;

 private:
  void OpenPort();
  void SetStopped(bool stopped);
  void RunPollStep(const std::function<void()>& step);
  platform::EventLoop& loop_;
};

}  // namespace monitor

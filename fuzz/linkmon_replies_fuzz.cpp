// linkmon's window polling on virtual time, answered with arbitrary bytes. The input is the
// poll period's choice, then the answers: one per value request, in turn, each a length byte
// and that many bytes. Checks: no handler fails, every text of the window can be shown, the
// values kept are numbers, the gauge stays on the cycle, and Stop stops.
#include <cmath>
#include <string>

#include "apps/linkmon/linkmon_form.h"
#include "fuzz/fuzz_support.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"

namespace {

using fuzz::Check;
using namespace platform;

constexpr std::size_t kLongestAnswer = 40;
constexpr int kMostTicks = 2000;
constexpr std::size_t kRequestSize = 7;  // "#", address, command, checksum, CR

// Answers each ASCII value request with the next answer of the script.
class ScriptedAnswers {
 public:
  ScriptedAnswers(MemoryLine& line, fuzz::Script& script) : line_(line), script_(script) {
    line.onPeerReceives = [this](const std::string& bytes) { Receive(bytes); };
  }

 private:
  void Receive(const std::string& bytes) {
    request_ += bytes;
    if (bytes != "\r") return;
    // The binary frame that Start sends ends in CR too, but is not seven characters long.
    if (request_.size() == kRequestSize && request_[0] == '#')
      line_.peerSend(script_.bytes(script_.byte() % kLongestAnswer));
    request_.clear();
  }
  MemoryLine& line_;
  fuzz::Script& script_;
  std::string request_;
};

void CheckTexts(const linkmon::TForm1& form) {
  for (const auto& control : form.controls()) {
    const std::string& caption = control->Caption;
    Check(fuzz::Cp1251Text(caption), "every caption can be shown", caption);
  }
  for (const std::string& panel : form.StatusBar1->Panels)
    Check(fuzz::Cp1251Text(panel), "every status text can be shown", panel);
}

void CheckPollState(const linkmon::TForm1& form) {
  for (const double value : form.Poll.State().PollValues)
    Check(std::isfinite(value), "only numbers are kept as values");
  Check(form.Gauge1->Progress >= 0 && form.Gauge1->Progress <= form.Gauge1->MaxValue,
        "the gauge shows a place in the cycle");
}

void Press(Button& button) { RunHandler([&button] { button.Click(); }); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FailOnReportedErrors();
  fuzz::Script script(data, size);
  VirtualLoop loop;
  MemoryLine line(loop);
  ScriptedAnswers answers(line, script);
  linkmon::TForm1 form(loop, line.factory(), {"1", "2"});

  RadioButton* periods[] = {form.RadioButton1, form.RadioButton2, form.RadioButton3,
                            form.RadioButton4};
  RunHandler([&] { periods[script.byte() % 4]->Click(); });
  Press(*form.Button2);
  for (int tick = 0; tick < kMostTicks && !script.done(); ++tick) {
    loop.runFor(form.Timer1.Interval());
    CheckTexts(form);
    CheckPollState(form);
  }
  Press(*form.Button1);
  Check(!line.portOpen() && !form.Timer1.Enabled() && !form.Timer2.Enabled(), "Stop stops");
  return 0;
}

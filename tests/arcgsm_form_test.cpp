// The arcgsm window on virtual time against the simulated modem and meter: the call script
// with its bytes, input modes, timers, log lines and buttons; archive reads that end in the
// hang-up and Stop; the export groups; Stop and hang-up at awkward moments; the node list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "apps/arcgsm/arcgsm_form.h"
#include "apps/common/headless.h"
#include "export/export.h"
#include "gsm/modem_call.h"
#include "link/frames.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "platform/virtual/virtual_loop.h"
#include "sim/line_sim.h"

using namespace platform;

namespace {

const std::string kConsoleMode = devlink::AsciiRequest(0, 'F');

std::string FreshDataDir(const std::string& iniUtf8) {
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const auto dir = std::filesystem::temp_directory_path() / ("arcgsm_form_test_" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  if (!iniUtf8.empty())
    std::ofstream(dir / gsm::kNodeDirectoryFile, std::ios::binary) << ToCp1251(iniUtf8);
  return dir.string() + "/";
}

sim::SimOptions LineOptions(bool modem) {
  sim::SimOptions o;
  o.modem = modem;
  return o;
}

struct BinaryRequest {
  std::uint8_t command;
  std::uint16_t position;
};

struct Rig {
  explicit Rig(bool modem = true, const std::string& ini = {})
      : dataDir(FreshDataDir(ini)), line(loop, LineOptions(modem)),
        form(loop, line.factory(), dataDir) {
    SetErrorReporter([this](const Error& e) { errors.push_back(e.what()); });
  }
  ~Rig() {
    SetErrorReporter([](const Error&) {});
    std::filesystem::remove_all(dataDir);
  }

  void Connect() {
    form.Button2->Click();
    form.Button5->Click();
    loop.runFor(gsm::kAnswerWaitMs);
  }
  bool RunUntilExchangeEnds() {
    return loop.runUntil([this] { return !form.engine.Running(); });
  }
  const std::vector<std::string>& writes() { return line.line().writes(); }
  // The binary requests written so far, in order.
  std::vector<BinaryRequest> Requests() {
    std::vector<BinaryRequest> out;
    for (const auto& w : writes())
      if (w.size() == devlink::kFrameSize) {
        const auto f = devlink::FrameFromBytes(w);
        out.push_back({f[2], static_cast<std::uint16_t>(f[3] | f[4] << 8)});
      }
    return out;
  }
  std::vector<std::string> Memo() const { return form.Memo1->Lines.all(); }
  // Which of the call and command buttons are enabled, by name.
  std::string Enabled() const {
    std::string names;
    for (auto* b : {form.Button2, form.Button3, form.Button5, form.Button6, form.Button14,
                    form.Button15, form.Button1, form.Button7, form.Button10})
      if (b->Enabled) names += (names.empty() ? "" : " ") + b->Name;
    return names;
  }
  std::string TimerRunning() const {
    std::string names;
    if (form.Timer3.Enabled()) names += "Timer3";
    if (form.Timer4.Enabled()) names += "Timer4";
    if (form.Timer5.Enabled()) names += "Timer5";
    return names;
  }
  std::string ReportPath(report::ReportFile f) const {
    const auto& info = report::ReportFileOf(f);
    return dataDir + info.folder + form.Edit2->Text.get() + info.suffix;
  }

  VirtualLoop loop;
  std::string dataDir;
  sim::SimulatedLine line;
  arcgsm::TForm1 form;
  std::vector<std::string> errors;
};

constexpr const char* kDeviceCommands =
    "Button3 Button6 Button14 Button15 Button1 Button7 Button10";

template <class T>
std::vector<T> Tail(const std::vector<T>& v, std::size_t from) {
  return {v.begin() + static_cast<std::ptrdiff_t>(from), v.end()};
}

}  // namespace

TEST(ArcgsmCall, RunsItsScriptStateByState) {
  Rig rig;
  auto& form = rig.form;
  EXPECT_EQ(rig.Enabled(), "Button2");

  form.Button2->Click();  // Line open
  EXPECT_EQ(form.MSComm1.InputMode, MSComm::comInputModeBinary);
  EXPECT_EQ(rig.Enabled(), "Button3 Button5");
  EXPECT_EQ(rig.TimerRunning(), "");

  form.Button5->Click();  // Dialling
  EXPECT_EQ(form.MSComm1.InputMode, MSComm::comInputModeText);
  EXPECT_EQ(rig.writes().back(), "+79001234567\r");
  EXPECT_EQ(rig.Memo(), std::vector<std::string>{"Соединение с +79001234567 ~30c "});
  EXPECT_EQ(rig.Enabled(), "Button3");
  rig.loop.runFor(gsm::kAnswerWaitMs - 1);
  EXPECT_EQ(rig.TimerRunning(), "Timer3");
  EXPECT_EQ(rig.Enabled(), "Button3");

  rig.loop.runFor(1);  // Connected: the modem's answers (to the console requests of Start and
                       // to the dial) logged as the memo shows them, then the second read.
  EXPECT_EQ(Tail(rig.Memo(), 1),
            (std::vector<std::string>{"", "ERROR", "", "ERROR", "", "CONNECT 9600", ""}));
  EXPECT_EQ(form.MSComm1.InputMode, MSComm::comInputModeBinary);
  EXPECT_EQ(rig.writes().back(), kConsoleMode);
  EXPECT_EQ(rig.Enabled(), kDeviceCommands);
  EXPECT_EQ(rig.TimerRunning(), "");

  const std::size_t logged = rig.Memo().size();
  form.Button6->Click();  // Escaped: the commands wait for Stop
  EXPECT_EQ(rig.writes().back(), "+++");
  EXPECT_EQ(form.MSComm1.InputMode, MSComm::comInputModeText);
  EXPECT_EQ(rig.Memo().back(), "Разрыв  ~5c ");
  EXPECT_EQ(rig.Enabled(), "Button3");
  rig.loop.runFor(gsm::kEscapePauseMs - 1);
  EXPECT_EQ(rig.TimerRunning(), "Timer4");
  EXPECT_EQ(rig.writes().back(), "+++");

  rig.loop.runFor(1);  // Hanging up
  EXPECT_EQ(Tail(rig.Memo(), logged), (std::vector<std::string>{"Разрыв  ~5c ", "", "OK", "ОК "}));
  EXPECT_EQ(rig.writes().back(), "ATH\r");
  EXPECT_EQ(form.MSComm1.InputMode, MSComm::comInputModeText);
  EXPECT_EQ(rig.TimerRunning(), "Timer5");
  rig.loop.runFor(gsm::kHangUpPauseMs - 1);
  EXPECT_TRUE(form.MSComm1.PortOpen());

  rig.loop.runFor(1);  // Port closed by Stop
  EXPECT_FALSE(form.MSComm1.PortOpen());
  EXPECT_EQ(rig.Enabled(), "Button2");
  EXPECT_EQ(rig.TimerRunning(), "");
  EXPECT_FALSE(rig.line.modem()->callUp());

  const std::string stop = devlink::FrameBytes(devlink::BinaryRequest(0, 3, 0, 0x449A4333));
  EXPECT_EQ(rig.writes(), (std::vector<std::string>{kConsoleMode, kConsoleMode,
                                                    "+79001234567\r", kConsoleMode, "+++",
                                                    "ATH\r", stop}));
  EXPECT_EQ(rig.errors, std::vector<std::string>{});
}

TEST(ArcgsmCall, ModemAnswersAreLoggedAsTheLinesTheyHold) {
  using Lines = std::vector<std::string>;
  const std::pair<std::string, Lines> cases[] = {
      {"\r\nCONNECT 9600\r\n", {"", "CONNECT 9600"}},
      {"OK", {"OK"}},
      {"", {""}},
      {"\r\n", {""}},
      {"RING\rRING\nNO CARRIER\r\n\r\n", {"RING", "RING", "NO CARRIER", ""}},
      {ToCp1251("НЕТ СВЯЗИ\r\n"), {"НЕТ СВЯЗИ"}},
      {std::string("\x01\xff", 2), {"\x01я"}},
  };
  for (const auto& [received, lines] : cases) EXPECT_EQ(gsm::AnswerLines(received), lines);
}

TEST(ArcgsmCall, ADialWithoutAnswerStillEnablesTheCommandsAndHangsUpOverADirectLine) {
  Rig rig(/*modem=*/false);
  rig.form.Edit1->Text = "+790012345678";
  rig.Connect();
  EXPECT_EQ(rig.writes()[2], "+790012345678\r");
  EXPECT_EQ(rig.Memo(), std::vector<std::string>{"Соединение с +790012345678 ~30c "});
  EXPECT_EQ(rig.Enabled(), kDeviceCommands);

  // The meter answers straight away over the direct line.
  rig.form.Button7->Click();
  ASSERT_TRUE(rig.RunUntilExchangeEnds());
  EXPECT_EQ(rig.form.Label70->Caption.get().rfind("2009.08.15 ", 0), 0u);

  rig.form.Button6->Click();
  rig.loop.runFor(gsm::kEscapePauseMs + gsm::kHangUpPauseMs);
  EXPECT_FALSE(rig.form.MSComm1.PortOpen());
  const auto& w = rig.writes();
  ASSERT_GE(w.size(), 3u);
  EXPECT_EQ((std::vector<std::string>{w[w.size() - 3], w[w.size() - 2]}),
            (std::vector<std::string>{"+++", "ATH\r"}));
  EXPECT_EQ(rig.Memo().back(), "ОК ");
  EXPECT_EQ(rig.errors, std::vector<std::string>{});
}

TEST(ArcgsmCall, StopInAnyStateOfTheCallLeavesNoStepToRunOnTheClosedPort) {
  struct Case {
    const char* state;
    std::function<void(Rig&)> reach;
  };
  const Case cases[] = {
      {"dialling", [](Rig& r) {
         r.form.Button2->Click();
         r.form.Button5->Click();
         r.loop.runFor(10000);
       }},
      {"escaped", [](Rig& r) {
         r.Connect();
         r.form.Button6->Click();
         r.loop.runFor(1000);
       }},
      {"hanging up", [](Rig& r) {
         r.Connect();
         r.form.Button6->Click();
         r.loop.runFor(gsm::kEscapePauseMs + 1000);
       }},
  };
  for (const auto& c : cases) {
    Rig rig;
    c.reach(rig);
    rig.form.Button3->Click();
    const std::size_t written = rig.writes().size();
    const auto logged = rig.Memo();
    rig.loop.runFor(120000);
    EXPECT_EQ(rig.writes().size(), written) << c.state;
    EXPECT_EQ(rig.Memo(), logged) << c.state;
    EXPECT_EQ(rig.TimerRunning(), "") << c.state;
    EXPECT_EQ(rig.Enabled(), "Button2") << c.state;
    EXPECT_EQ(rig.errors, std::vector<std::string>{}) << c.state;
  }
}

TEST(ArcgsmRead, ByIntervalReadsTheDaysExportsTheHourlyGroupThenHangsUpAndStops) {
  Rig rig;
  rig.Connect();
  rig.form.DateTimePicker1->Pick(EncodeDateTime({2009, 8, 14}));
  rig.form.ComboBox2->Text = "1";
  const std::size_t before = rig.Requests().size();
  rig.form.Button14->Click();
  EXPECT_EQ(rig.form.Gauge1->MaxValue.get(), 128);
  ASSERT_TRUE(rig.RunUntilExchangeEnds());

  const auto requests = Tail(rig.Requests(), before);
  ASSERT_EQ(requests.size(), 128u);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].command, archive::kReadArchive);
    ASSERT_EQ(requests[i].position, 6784 + i);  // day 14 of bank 3, then day 15
  }
  EXPECT_EQ(rig.form.Gauge1->Progress.get(), 128);
  const auto memo = rig.Memo();
  const auto closing = std::find(memo.begin(), memo.end(), "Архивы записаны на диск:");
  ASSERT_NE(closing, memo.end());
  EXPECT_EQ(*(closing + 4), "Разрыв  ~5c ");
  EXPECT_EQ(rig.writes().back(), "+++");

  rig.loop.runFor(gsm::kEscapePauseMs + gsm::kHangUpPauseMs - 1);
  EXPECT_TRUE(rig.form.MSComm1.PortOpen());
  rig.loop.runFor(1);
  EXPECT_FALSE(rig.form.MSComm1.PortOpen());
  EXPECT_EQ(rig.Memo().back(), "ОК ");
  EXPECT_EQ(rig.errors, std::vector<std::string>{});
}

TEST(ArcgsmRead, EachReadExportsOnlyTheGroupItsButtonSelects) {
  using F = report::ReportFile;
  const std::vector<F> hourly = {F::HourCounter, F::Hour,       F::Day,       F::HourGraph1,
                                 F::HourGraph2,  F::DayGraph1, F::DayGraph2};
  const std::vector<F> monthly = {F::MonthCounter, F::Month};
  struct Case {
    const char* read;
    platform::Button* arcgsm::TForm1::*button;
    const std::vector<F>& written;
    const std::vector<F>& empty;
  };
  const Case cases[] = {{"interval", &arcgsm::TForm1::Button14, hourly, monthly},
                        {"months", &arcgsm::TForm1::Button15, monthly, hourly}};
  for (const auto& c : cases) {
    Rig rig;
    rig.Connect();
    rig.form.ComboBox2->Text = "0";
    (rig.form.*c.button)->Click();
    ASSERT_TRUE(rig.loop.runUntil([&] { return !rig.form.MSComm1.PortOpen(); })) << c.read;
    for (F f : c.written)
      EXPECT_GT(std::filesystem::file_size(rig.ReportPath(f)), 100u) << c.read << rig.ReportPath(f);
    for (F f : c.empty)
      EXPECT_EQ(std::filesystem::file_size(rig.ReportPath(f)), 0u) << c.read << rig.ReportPath(f);
    EXPECT_EQ(rig.errors, std::vector<std::string>{}) << c.read;
  }
}

TEST(ArcgsmRead, AnIntervalPastTheRingStopsAfterPosition8000AndSaysSo) {
  Rig rig(/*modem=*/false);
  rig.Connect();
  rig.form.DateTimePicker1->Pick(EncodeDateTime({2009, 1, 1}));
  rig.form.ComboBox2->Text = "200";
  const std::size_t before = rig.Requests().size();
  rig.form.Button14->Click();
  EXPECT_EQ(rig.form.StatusBar1->Panels[1].get(), "Интервал сокращён до конца архива");
  EXPECT_EQ(rig.form.Gauge1->MaxValue.get(), 8001);
  ASSERT_TRUE(rig.RunUntilExchangeEnds());

  const auto requests = Tail(rig.Requests(), before);
  ASSERT_EQ(requests.size(), 8001u);  // 0 to 8000, each once
  for (std::size_t i = 0; i < requests.size(); ++i) ASSERT_EQ(requests[i].position, i);
  EXPECT_EQ(rig.form.Gauge1->Progress.get(), 8001);
  EXPECT_EQ(rig.form.StatusBar1->Panels[1].get(), "Архивы записаны на диск");
  EXPECT_EQ(rig.errors, std::vector<std::string>{});
}

TEST(ArcgsmRead, ADayCountThatIsNoCountEndsTheReadBeforeAnythingIsSent) {
  for (const char* days : {"abc", "-5", ""}) {
    Rig rig;
    rig.Connect();
    rig.form.ComboBox2->Text = days;
    const std::size_t written = rig.writes().size();
    EXPECT_THROW(rig.form.Button14->Click(), ConversionError) << days;
    EXPECT_EQ(rig.writes().size(), written) << days;
    EXPECT_FALSE(rig.form.engine.Running()) << days;

    // The read by months does not use the day count.
    rig.form.Button15->Click();
    EXPECT_EQ(rig.form.Gauge1->MaxValue.get(), 1088) << days;
    EXPECT_TRUE(rig.form.engine.Running()) << days;
  }
}

TEST(ArcgsmRead, HangUpDuringAReadEndsTheExchangeBeforeTheEscape) {
  Rig rig;
  rig.Connect();
  rig.form.Button15->Click();
  ASSERT_TRUE(rig.loop.runUntil([&] { return rig.form.engine.GoodCount >= 100; }));
  rig.form.Button6->Click();
  EXPECT_FALSE(rig.form.engine.Running());
  EXPECT_EQ(rig.writes().back(), "+++");

  ASSERT_TRUE(rig.loop.runUntil([&] { return !rig.form.MSComm1.PortOpen(); }));
  const auto& w = rig.writes();
  const auto escape = std::find(w.begin(), w.end(), "+++");
  const std::vector<std::string> after(escape + 1, w.end());
  ASSERT_EQ(after.size(), 2u);  // the hang-up command and Stop's request, nothing between
  EXPECT_EQ(after[0], "ATH\r");
  EXPECT_EQ(devlink::FrameFromBytes(after[1])[2], archive::kStop);
  const auto memo = rig.Memo();
  EXPECT_EQ(std::find(memo.begin(), memo.end(), "Архивы записаны на диск:"), memo.end());
  EXPECT_EQ(rig.errors, std::vector<std::string>{});
}

TEST(ArcgsmNodes, TheListHoldsTheDirectoryAndAChosenNodeGivesItsNumber) {
  Rig rig(true,
          "[baza]\nkol_uzlov=2\ntel_1=+79001110001\nname_u1=Котельная №1\n"
          "tel_2=+79001110002\nname_u2=Школа\n");
  auto& form = rig.form;
  EXPECT_EQ(form.ComboBox3->Items.get(), (std::vector<std::string>{"Котельная №1", "Школа"}));
  EXPECT_EQ(form.ComboBox3->Text.get(), "Узел учета");
  EXPECT_EQ(form.Edit1->Text.get(), "+79001234567");

  form.ComboBox3->Choose(1);
  EXPECT_EQ(form.Edit1->Text.get(), "+79001110002");
  form.ComboBox3->Type("Школ");  // a typed text chooses no node
  EXPECT_EQ(form.Edit1->Text.get(), "+79001110002");

  form.Button2->Click();
  form.Button5->Click();
  EXPECT_EQ(rig.writes().back(), "+79001110002\r");
  rig.loop.runFor(gsm::kAnswerWaitMs);
  EXPECT_EQ(rig.line.modem()->lastDialled(), "+79001110002");
}

TEST(ArcgsmNodes, WithoutADirectoryTheListIsEmptyAndTheNumberKeepsItsDefault) {
  Rig rig;
  EXPECT_TRUE(rig.form.ComboBox3->Items.get().empty());
  EXPECT_EQ(rig.form.Edit1->Text.get(), "+79001234567");
  rig.form.ComboBox3->Type("Котельная");
  EXPECT_EQ(rig.form.Edit1->Text.get(), "+79001234567");
}

TEST(ArcgsmWindow, CreationSetsThePickerToTodayAndTheControlsToTheirInitialState) {
  Rig rig;
  auto& form = rig.form;
  EXPECT_EQ(form.Caption.get(), "TM517 АРХИВ GSM(CSD) V2009.08.15");
  EXPECT_EQ(form.ClientWidth, 830);
  EXPECT_EQ(form.ClientHeight, 530);
  EXPECT_EQ(form.Edit2->Text.get(), "2009_08_15_14_05");
  EXPECT_EQ((std::array<int, 3>{form.PickedYear, form.PickedMonth, form.PickedDay}),
            (std::array<int, 3>{2009, 8, 15}));
  EXPECT_EQ(form.ComboBox2->Text.get(), "1");
  EXPECT_EQ(form.ComboBox2->Items.get(),
            (std::vector<std::string>{"1", "2", "3", "4", "5", "7", "10", "15", "20", "25", "31",
                                      "35"}));
  EXPECT_EQ(form.Button14->Caption.get(), "Считать за интервал");
  EXPECT_EQ((std::pair{form.Button14->Width.get(), form.Button14->Height.get()}),
            (std::pair{187, 39}));
  EXPECT_EQ(form.Button15->Caption.get(), "Считать по месяцам");
  EXPECT_EQ((std::pair{form.Button15->Width.get(), form.Button15->Height.get()}),
            (std::pair{187, 35}));
  EXPECT_FALSE(form.Button11->Visible.get());
  EXPECT_EQ(form.Button11->Caption.get(), "Считать");
  EXPECT_EQ(form.GroupBox2->Caption.get(), "GSM связь (CSD):");
  EXPECT_EQ(form.Label1->Caption.get(), "Узел учета :");
  EXPECT_EQ(form.Button5->Caption.get(), "Соединится");
  EXPECT_EQ(form.Button6->Caption.get(), "Разорвать связь");
  EXPECT_EQ(rig.TimerRunning(), "");

  form.DateTimePicker1->Pick(EncodeDateTime({2010, 2, 3}));
  EXPECT_EQ((std::array<int, 3>{form.PickedYear, form.PickedMonth, form.PickedDay}),
            (std::array<int, 3>{2010, 2, 3}));
}

TEST(ArcgsmCall, ALostPortCancelsTheStepsOfTheCall) {
  Rig rig;
  rig.form.Button2->Click();
  rig.form.Button5->Click();  // dialling: the answer wait runs
  rig.loop.runFor(1000);
  rig.line.line().pull();     // the USB adapter is pulled out
  const auto writes = rig.writes().size();
  rig.loop.runFor(60000);
  EXPECT_EQ(rig.writes().size(), writes);  // the answer wait did not end on the lost port
  ASSERT_EQ(rig.errors.size(), 1u);        // the loss, reported once
  EXPECT_FALSE(rig.form.Button14->Enabled);
  rig.form.Button3->Click();  // Stop and a new Start work once the device is back
  rig.form.Button2->Click();
  EXPECT_TRUE(rig.line.line().portOpen());
  EXPECT_EQ(rig.errors.size(), 1u);
}

TEST(ArcgsmHeadless, AMeterThatStopsAnsweringEndsTheCallWithTheHangUpAndExitStatus3) {
  Rig rig;
  rig.line.meter().setFaults(sim::FaultOptions{0});  // silent from the first request
  rig.form.Edit1->Text = "79001234567";
  app::HeadlessRun run(rig.form, rig.loop);
  app::Step dial{rig.form.Button5, app::Step::Until::Condition};
  dial.condition = [&] { return rig.form.Button6->Enabled.get(); };
  run.Begin({dial, {rig.form.Button7}});
  ASSERT_TRUE(rig.loop.runUntil([&] { return rig.loop.quitRequested(); }, 120000));
  EXPECT_EQ(rig.loop.exitCode(), app::kExitNoLink);
  const auto& w = rig.writes();
  const auto escape = std::find(w.begin(), w.end(), "+++");
  ASSERT_NE(escape, w.end());
  ASSERT_NE(escape + 1, w.end());
  EXPECT_EQ(*(escape + 1), "ATH\r");
  EXPECT_FALSE(rig.line.line().portOpen());
}

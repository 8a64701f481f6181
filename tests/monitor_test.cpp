// The live monitor on virtual time: the poll cycle and display of linkmon's window, driven
// through its controls against a small meter on an in-memory line; its headless runner.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "apps/linkmon/headless.h"
#include "apps/linkmon/linkmon_form.h"
#include "link/frames.h"
#include "monitor/display.h"
#include "monitor/poll_cycle.h"
#include "platform/errors.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"

using namespace platform;

namespace {

// A meter that answers each value request at once with ">", the seven characters of that
// value's text and three more; values can be left unanswered or given any whole reply.
class ValueMeter {
 public:
  explicit ValueMeter(MemoryLine& line) : line_(line) {
    line.onPeerReceives = [this](const std::string& bytes) { Receive(bytes); };
  }

  std::array<std::string, 12> texts = {"12.3456", "001.234", "     12", "  34567",
                                       "      0", "     42", "      1", "    0,5",
                                       "      1", "      5", "      0", "     25"};
  std::set<char> silentFor;               // commands left unanswered
  std::map<char, std::string> replyFor;   // whole replies instead of the value text

 private:
  void Receive(const std::string& bytes) {
    request_ += bytes;
    if (bytes != "\r") return;
    // Seven characters "#", address, command, checksum, CR; the start frame is not one.
    if (request_.size() == 7 && request_[0] == '#') Answer(request_[3]);
    request_.clear();
  }
  void Answer(char command) {
    if (silentFor.count(command)) return;
    if (auto it = replyFor.find(command); it != replyFor.end()) return line_.peerSend(it->second);
    const int number = command <= '9' ? command - '0' : command - 'A' + 10;
    line_.peerSend(">" + texts[static_cast<std::size_t>(number)] + "00\r");
  }
  MemoryLine& line_;
  std::string request_;
};

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorReporter([this](const Error& e) { errors.push_back(e.what()); });
  }
  void TearDown() override {
    SetErrorReporter([](const Error& e) { std::cerr << e.what() << '\n'; });
  }

  static void Press(Button& b) { RunHandler([&b] { b.Click(); }); }
  // Presses Start and lets 15 ms pass, so that Ticks(n) at the 500 ms period ends 15 ms after
  // a tick: its request answered and the reply read, the next tick still to come.
  void Start() {
    Press(*form.Button2);
    loop.runFor(15);
  }
  void Ticks(int n) { loop.runFor(500 * n); }
  std::string Panel(int i) const { return form.StatusBar1->Panels[static_cast<std::size_t>(i)]; }
  const monitor::PollState& Poll() const { return form.Poll.State(); }
  std::vector<std::string> DisplayTexts() const {
    std::vector<std::string> texts;
    for (const Label* l : {form.Label1, form.Label2, form.Label5, form.Label12, form.Label6,
                           form.Label7, form.Label8, form.Label13})
      texts.push_back(l->Caption);
    return texts;
  }
  bool Stopped() const {
    return form.Button2->Enabled && !form.Button1->Enabled && form.ComboBox10->Enabled &&
           form.ComboBox11->Enabled && form.ComboBox1->Enabled && !form.Timer1.Enabled() &&
           !form.Timer2.Enabled() && !line.portOpen();
  }

  VirtualLoop loop;
  MemoryLine line{loop};
  ValueMeter meter{line};
  linkmon::TForm1 form{loop, line.factory(), {"1", "2", "sim"}};
  std::vector<std::string> errors;
};

}  // namespace

// --- Poll cycle ---

TEST_F(MonitorTest, FirstTickReportsTheLinkUpAndAsksForValue2) {
  Start();
  EXPECT_EQ(Panel(1), "Статус");
  loop.runFor(486);  // the first tick has run, its reply is not read yet
  EXPECT_EQ(Panel(1), "Связь в норме");
  EXPECT_EQ(form.Gauge1->Progress, 1);
  EXPECT_EQ(form.Gauge1->ForeColor, colors::Navy);
  EXPECT_EQ(Panel(0), "Запрос канала №2");
  EXPECT_EQ(line.writes().back(), "#002B5\r");
  EXPECT_EQ(Poll().ReplyPending, 1);

  loop.runFor(14);
  EXPECT_EQ(Panel(0), "Ответ канала №2");
  EXPECT_EQ(Poll().ReplyPending, 0);
  EXPECT_EQ(Poll().PollValues[2], 12.0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(MonitorTest, StartSendsTheStopFrameThenOneRequestPerTick) {
  form.ComboBox11->Type("257");  // kept modulo 256: address 1
  form.ComboBox10->Choose(4);    // "9600,N,8,1"
  Start();
  ASSERT_EQ(line.writes().size(), 1u);
  EXPECT_EQ(line.writes()[0], std::string("\x23\x01\x03\x00\x00\x00\x00\x00\x00\x34\x0D", 11));
  EXPECT_EQ(line.settings().baud, 9600);
  EXPECT_TRUE(line.rtsOn());

  Ticks(13);
  std::vector<std::string> expected = {line.writes()[0], "#012B6\r"};
  for (char command : std::string("3456789AB012"))
    expected.push_back(devlink::AsciiRequest(1, command));
  EXPECT_EQ(line.writes(), expected);
}

TEST_F(MonitorTest, DisplayRefreshesAfterValue0WithTheValuesOfTheTicksBefore) {
  int refreshes = 0;
  form.Poll.OnDisplayRefreshed = [&refreshes] { ++refreshes; };
  meter.texts[7] = "      0";  // channel 2 in fault
  const std::vector<std::string> initial = {"0", "0", "0", "- ОТКАЗ", "0", "0", "0", "- ОТКАЗ"};
  Start();
  Ticks(10);
  EXPECT_EQ(refreshes, 0);
  EXPECT_EQ(DisplayTexts(), initial);
  EXPECT_EQ(form.Shape1->Brush, colors::Red);

  Ticks(1);  // the eleventh request, for value 0
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(Poll().PointCode1, 1);
  // Value 1 and channel 2's point code are not read yet: its flow is 0, its counter unchanged.
  EXPECT_EQ(DisplayTexts(), (std::vector<std::string>{"12,3456", "1234,567", "10000,5",
                                                      "- НОРМА", "0", "0", "2,5", "- ОТКАЗ"}));
  EXPECT_EQ(form.Shape1->Brush, colors::Lime);
  EXPECT_EQ(form.Shape2->Brush, colors::Red);

  Ticks(12);
  EXPECT_EQ(refreshes, 2);
  EXPECT_EQ(Poll().PointCode2, 2);
  EXPECT_EQ(DisplayTexts(), (std::vector<std::string>{"12,3456", "1234,567", "10000,5",
                                                      "- НОРМА", "1,234", "0,42", "2,5",
                                                      "- ОТКАЗ"}));
  EXPECT_TRUE(errors.empty());
}

TEST_F(MonitorTest, AMissedReplyIsReportedAtTheNextTickWithItsNumber) {
  const std::map<std::string, std::string> cases = {
      {"no reply", ""},
      {"ten characters", ">     4200"},
      {"not a '>' reply", "<     42000"},
  };
  for (const auto& [what, reply] : cases) {
    SCOPED_TRACE(what);
    if (reply.empty()) meter.silentFor = {'5'};
    else meter.replyFor['5'] = reply;
    Start();
    Ticks(4);  // the fourth request, for value 5
    EXPECT_EQ(form.Gauge1->Progress, 4);

    Ticks(1);
    EXPECT_EQ(Panel(1), "Сбой связи канала №5");
    EXPECT_EQ(form.Gauge1->ForeColor, colors::Red);
    EXPECT_EQ(form.Gauge1->Progress, 4);
    EXPECT_EQ(Poll().PollValues[5], 0.0);
    // What waited was discarded: the reply for value 6 is read whole.
    EXPECT_EQ(Panel(0), "Ответ канала №6");
    EXPECT_EQ(Poll().PollValues[6], 1.0);

    Ticks(1);
    EXPECT_EQ(Panel(1), "Связь в норме");
    EXPECT_EQ(form.Gauge1->ForeColor, colors::Navy);
    EXPECT_EQ(form.Gauge1->Progress, 6);

    Press(*form.Button1);
    meter.silentFor.clear();
    meter.replyFor.clear();
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(MonitorTest, PeriodChangeWhilePollingTakesEffectAtOnce) {
  Start();
  Ticks(1);
  const std::size_t sent = line.writes().size();
  RunHandler([this] { form.RadioButton1->Click(); });
  EXPECT_TRUE(form.RadioButton1->Checked);
  EXPECT_FALSE(form.RadioButton3->Checked);
  EXPECT_EQ(form.Timer1.Interval(), 100);
  loop.runFor(99);
  EXPECT_EQ(line.writes().size(), sent);
  loop.runFor(1);
  EXPECT_EQ(line.writes().size(), sent + 1);
  loop.runFor(100);
  EXPECT_EQ(line.writes().size(), sent + 2);

  RunHandler([this] { form.RadioButton4->Click(); });
  EXPECT_EQ(form.Timer1.Interval(), 1000);
  EXPECT_FALSE(form.RadioButton1->Checked);
  loop.runFor(999);
  EXPECT_EQ(line.writes().size(), sent + 2);
  loop.runFor(1);
  EXPECT_EQ(line.writes().size(), sent + 3);
}

TEST_F(MonitorTest, StopKeepsWhatIsShownAndStartResumesAtValue2) {
  Start();
  Ticks(13);
  const auto shown = DisplayTexts();
  const int gauge = form.Gauge1->Progress;
  const std::size_t sent = line.written().size();

  Press(*form.Button1);
  EXPECT_TRUE(Stopped());
  EXPECT_EQ(line.written().size(), sent);  // nothing is sent at Stop
  loop.runFor(5000);
  EXPECT_EQ(line.written().size(), sent);
  EXPECT_EQ(DisplayTexts(), shown);
  EXPECT_EQ(form.Gauge1->Progress, gauge);
  EXPECT_EQ(Panel(1), "Связь в норме");

  Start();
  EXPECT_EQ(line.writes().back().size(), 11u);
  Ticks(1);
  EXPECT_EQ(line.writes().back(), "#002B5\r");
  EXPECT_EQ(form.Gauge1->Progress, 1);
  EXPECT_EQ(DisplayTexts(), shown);
  EXPECT_TRUE(errors.empty());
}

// --- Faults the monitor survives ---

TEST_F(MonitorTest, AReplyThatIsNoNumberIsShownAndCountsAsMissed) {
  meter.replyFor['3'] = ">0012.34xx\r";         // the "." is the comma only in values 0 and 1
  meter.replyFor['4'] = ">\x1b[31m!!xyz\r";     // line noise is not passed on as it is
  Start();
  Ticks(2);
  EXPECT_EQ(Panel(0), "Ответ канала №3 не число: «0012.34»");
  EXPECT_EQ(Poll().ReplyPending, 1);
  EXPECT_EQ(Poll().PollValues[3], 0.0);

  Ticks(1);
  EXPECT_EQ(Panel(1), "Сбой связи канала №3");
  EXPECT_EQ(form.Gauge1->ForeColor, colors::Red);
  EXPECT_EQ(Panel(0), "Ответ канала №4 не число: «?[31m!!»");
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_TRUE(errors.empty());  // no message box
}

TEST_F(MonitorTest, DeactivationStopsPolling) {
  Start();
  Ticks(1);
  RunHandler(form.OnDeactivate);
  EXPECT_TRUE(Stopped());
  const std::size_t sent = line.writes().size();
  loop.runFor(5000);
  EXPECT_EQ(line.writes().size(), sent);

  Start();
  Ticks(1);
  EXPECT_EQ(Panel(1), "Связь в норме");
  EXPECT_TRUE(errors.empty());
}

TEST_F(MonitorTest, AStartThatFailsIsReportedAndLeavesTheWindowStopped) {
  struct Case { const char* port; const char* speed; const char* address; const char* message; };
  const Case cases[] = {
      {"1", "115200,N,8,1", "abc", "Адрес прибора: «abc» не является целым числом"},
      {"COM1", "115200,N,8,1", "0",
       "Неверный порт «COM1»: ожидается номер от 1, путь к устройству (/dev/ttyUSB0) или sim"},
      {"1", "9600,X,8,1", "0",
       "Неверные параметры линии «9600,X,8,1»: ожидается скорость,чётность,биты,стоп, "
       "например 9600,N,8,1"},
  };
  for (const auto& c : cases) {
    errors.clear();
    form.ComboBox1->Type(c.port);
    form.ComboBox10->Type(c.speed);
    form.ComboBox11->Type(c.address);
    Start();
    loop.runFor(2000);
    EXPECT_EQ(errors, std::vector<std::string>{c.message});
    EXPECT_TRUE(Stopped()) << c.message;
    EXPECT_TRUE(line.writes().empty()) << c.message;
  }
}

TEST_F(MonitorTest, ABusyPortIsReportedAndLeavesTheWindowStopped) {
  linkmon::TForm1 busy(loop, [](const std::string&) -> std::unique_ptr<SerialDevice> {
    throw PortError("Не удалось открыть порт /dev/ttyS0: порт занят другой программой");
  }, {"1", "2"});
  RunHandler([&busy] { busy.Button2->Click(); });
  loop.runFor(2000);
  EXPECT_EQ(errors, std::vector<std::string>{
                        "Не удалось открыть порт /dev/ttyS0: порт занят другой программой"});
  EXPECT_TRUE(busy.Button2->Enabled);
  EXPECT_FALSE(busy.Button1->Enabled);
  EXPECT_FALSE(busy.Poll.Polling());
}

TEST_F(MonitorTest, APortLostWhilePollingStopsPollingWithOneReport) {
  Start();
  Ticks(1);
  line.pull();
  loop.runFor(5000);
  EXPECT_EQ(errors, std::vector<std::string>{"Устройство последовательного порта отключено"});
  EXPECT_TRUE(Stopped());

  Start();
  Ticks(1);
  EXPECT_EQ(Panel(1), "Связь в норме");
  EXPECT_EQ(errors.size(), 1u);
}

// --- Reply reading and display ---

TEST(PointCode, FromThePositionOfTheDecimalComma) {
  const std::pair<const char*, int> cases[] = {
      {">12.3456xyz", 1},   // the blank and two digits before it
      {">123.456xyz", 2},
      {">1.23456xyz", 0},
      {">  12345xyz", -3},  // no "." and no ","
      {">  1,234xyz", 2},
      {">1,2.345xyz", 0},   // the first comma counts, not the "." made one
      {">1234567.89", 6},   // a comma past the number text still counts
  };
  for (const auto& [reply, code] : cases) EXPECT_EQ(monitor::PointCode(reply), code) << reply;
}

namespace {

struct Display {
  Label Label1{"Label1", nullptr}, Label2{"Label2", nullptr}, Label5{"Label5", nullptr},
      Label12{"Label12", nullptr}, Label6{"Label6", nullptr}, Label7{"Label7", nullptr},
      Label8{"Label8", nullptr}, Label13{"Label13", nullptr};
  Shape Shape1{"Shape1", nullptr}, Shape2{"Shape2", nullptr};
  monitor::DisplayControls controls() {
    return {Label1, Label2, Label5, Label12, Shape1, Label6, Label7, Label8, Label13, Shape2};
  }
};

}  // namespace

TEST(Display, CounterOperatingTimeAndLamp) {
  struct Case {
    int pointCode;
    double high, low, state, timeHigh, timeLow;
    const char *counter, *time, *lamp;
    Color lampColor;
  };
  const Case cases[] = {
      {2, 12, 34567, 1, 1, 5, "12345,67", "10000,5", "- НОРМА", colors::Lime},
      {5, 0, 42, 0, 0, 25, "420", "2,5", "- ОТКАЗ", colors::Red},
      {1, 12, 34567, -1, 0, 0, "1234,567", "0", "- ОТКАЗ", colors::Red},
      {3, 12, 34567, 0.5, 0, 10, "123456,7", "1", "- НОРМА", colors::Lime},
      {4, 12, 34567, 1, 0, 0, "1234567", "0", "- НОРМА", colors::Lime},
      {0, 12, 34567, 1, 0, 0, "old", "0", "- НОРМА", colors::Lime},   // the box keeps its text
      {6, 12, 34567, 1, 0, 0, "old", "0", "- НОРМА", colors::Lime},
      {-3, 12, 34567, 1, 0, 0, "old", "0", "- НОРМА", colors::Lime},
  };
  for (const auto& c : cases) {
    Display d;
    d.Label2.Caption = "old";
    monitor::PollState poll;
    poll.PointCode1 = c.pointCode;
    poll.PollValues[2] = c.high;
    poll.PollValues[3] = c.low;
    poll.PollValues[6] = c.state;
    poll.PollValues[8] = c.timeHigh;
    poll.PollValues[9] = c.timeLow;
    monitor::RefreshDisplay(poll, d.controls());
    SCOPED_TRACE(c.pointCode);
    EXPECT_EQ(d.Label2.Caption.get(), c.counter);
    EXPECT_EQ(d.Label5.Caption.get(), c.time);
    EXPECT_EQ(d.Label12.Caption.get(), c.lamp);
    EXPECT_EQ(d.Shape1.Brush, c.lampColor);
  }
}

TEST(NumberText, GeneralFormWithTheDecimalComma) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"},
      {100, "100"},
      {12345.67, "12345,67"},
      {-2.5, "-2,5"},
      {0.1 + 0.2, "0,3"},  // 15 significant digits hide the binary error
      {1.0 / 3, "0,333333333333333"},
      {123456789.123456789, "123456789,123457"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},  // 16 digits before the comma
      {-1.5e20, "-1,5E20"},
      {0.00001, "0,00001"},
      {0.000015, "0,000015"},
      {0.0000099, "9,9E-6"},
      {-1.5e-7, "-1,5E-7"},
      {1e300 * 1e10, "INF"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(monitor::NumberText(value), text) << value;
}

// --- Headless runner ---

namespace {

struct HeadlessResult {
  int status;
  std::string out, err;
};

}  // namespace

class HeadlessTest : public MonitorTest {
 protected:
  HeadlessResult Run(const linkmon::Options& options) {
    std::ostringstream out, err;
    linkmon::HeadlessRun run(form, loop, options, out, err);
    loop.schedule(0, [&run] { run.Begin(); });
    EXPECT_TRUE(loop.runUntil([this] { return loop.quitRequested(); }, 60000));
    return {loop.exitCode(), out.str(), err.str()};
  }
};

TEST_F(HeadlessTest, PrintsOneLinePerRefreshAndStopsAfterTheLast) {
  linkmon::Options options;
  options.speed = "9600,N,8,1";
  options.address = "1";
  options.period = "0,1";
  options.cycles = 2;
  const auto result = Run(options);
  EXPECT_EQ(result.status, linkmon::kExitOk);
  EXPECT_EQ(result.out,
            "12,3456\t1234,567\t10000,5\t- НОРМА\t0\t0\t2,5\t- НОРМА\n"
            "12,3456\t1234,567\t10000,5\t- НОРМА\t1,234\t0,42\t2,5\t- НОРМА\n");
  EXPECT_EQ(result.err.rfind("Связь в норме\nЗапрос канала №2\nОтвет канала №2\n", 0), 0u)
      << result.err;
  EXPECT_TRUE(Stopped());
  EXPECT_EQ(line.settings().baud, 9600);
  EXPECT_EQ(line.writes()[1], devlink::AsciiRequest(1, '2'));
  EXPECT_EQ(form.Timer1.Interval(), 100);
  // Two cycles of twelve ticks at 100 ms, less the value 1 of the last.
  EXPECT_EQ(loop.monotonicMs() / 100, 23);
}

TEST_F(HeadlessTest, ExitsWith3AfterTwoCyclesWithoutAReply) {
  for (char command : std::string("0123456789AB")) meter.silentFor.insert(command);
  linkmon::Options options;
  options.period = "0,1";
  const auto result = Run(options);
  EXPECT_EQ(result.status, linkmon::kExitNoReply);
  EXPECT_EQ(result.out, "");
  const std::string last = "Нет связи с прибором: два полных цикла опроса без ответа\n";
  EXPECT_EQ(result.err.substr(result.err.size() - last.size()), last);
  EXPECT_TRUE(Stopped());
  EXPECT_EQ(loop.monotonicMs() / 100, 25);  // the first tick finds nothing pending
}

TEST_F(HeadlessTest, ExitsWith2WhenTheWindowCannotStart) {
  linkmon::Options badPeriod, badPort, badAddress;
  badPeriod.period = "0,3";
  badPort.port = "COM1";
  badAddress.address = "x";
  const std::pair<linkmon::Options, std::string> cases[] = {
      {badPeriod,
       "Неверный период опроса «0,3»: ожидается одно из: 0,1 0,2 0,5 1,0 (см. linkmon --help)\n"},
      {badPort,
       "Неверный порт «COM1»: ожидается номер от 1, путь к устройству (/dev/ttyUSB0) или sim\n"},
      {badAddress, "Адрес прибора: «x» не является целым числом\n"},
  };
  for (const auto& [options, message] : cases) {
    VirtualLoop fresh;
    std::ostringstream out, err;
    linkmon::TForm1 window(fresh, line.factory(), {"1", "2"});
    linkmon::HeadlessRun run(window, fresh, options, out, err);
    fresh.schedule(0, [&run] { run.Begin(); });
    ASSERT_TRUE(fresh.runUntil([&fresh] { return fresh.quitRequested(); }, 60000));
    EXPECT_EQ(fresh.exitCode(), linkmon::kExitUsage);
    EXPECT_EQ(err.str(), message);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(window.Poll.Polling());
  }
  EXPECT_TRUE(line.writes().empty());
}

TEST(CommandLine, OptionsAndUsageErrors) {
  using Mode = linkmon::CommandLine::Mode;
  EXPECT_EQ(linkmon::ParseCommandLine({}).mode, Mode::Window);
  EXPECT_EQ(linkmon::ParseCommandLine({"--port", "sim", "--help"}).mode, Mode::Help);

  const auto line = linkmon::ParseCommandLine(
      {"--port", "/dev/pts/3", "--speed", "9600,N,8,1", "--address", "7", "--period", "0,2",
       "--cycles", "4"});
  EXPECT_EQ(line.mode, Mode::Headless);
  EXPECT_EQ(line.options.port, "/dev/pts/3");
  EXPECT_EQ(line.options.speed, "9600,N,8,1");
  EXPECT_EQ(line.options.address, "7");
  EXPECT_EQ(line.options.period, "0,2");
  EXPECT_EQ(line.options.cycles, 4);
  EXPECT_EQ(linkmon::ParseCommandLine({"--cycles", "2"}).options.port, std::nullopt);

  const std::pair<std::vector<std::string>, std::string> errors[] = {
      {{"--cycles", "x"}, "--cycles ожидает целое число от 1, а не «x» (см. linkmon --help)"},
      {{"--cycles", "0"}, "--cycles ожидает целое число от 1, а не «0» (см. linkmon --help)"},
      {{"--port"}, "У параметра --port нет значения (см. linkmon --help)"},
      {{"--baud", "9600"}, "Неизвестный параметр «--baud» (см. linkmon --help)"},
      {{"sim"}, "Неизвестный параметр «sim» (см. linkmon --help)"},
  };
  for (const auto& [args, message] : errors) {
    const auto parsed = linkmon::ParseCommandLine(args);
    EXPECT_EQ(parsed.mode, Mode::UsageError) << message;
    EXPECT_EQ(parsed.error, message);
  }
}

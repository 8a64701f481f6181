#include "apps/common/headless.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "apps/common/extra_exports.h"
#include "platform/errors.h"

namespace app {

using namespace platform;

HeadlessRun::HeadlessRun(archive::ArchiveWindow& form, EventLoop& loop)
    : form_(form), loop_(loop), terminal_(isatty(STDERR_FILENO) == 1) {}

void HeadlessRun::Begin(std::vector<Step> steps) {
  steps_ = std::move(steps);
  Watch();
  SetErrorReporter([this](const Error& e) {
    std::cerr << (terminal_ ? "\n" : "") << e.what() << std::endl;
    Finish(kExitUsage);
  });
  form_.engine.OnRunEnded = [this](bool completed) {
    if (!completed) return Finish(kExitNoLink);
    exchangeEnded_ = true;
    Check();
  };
  loop_.schedule(0, [this] {
    RunHandler([this] { form_.Button2->Click(); });
    if (!finishing_) Next();
  });
}

void HeadlessRun::Watch() {
  form_.Memo1->OnLineAdded = [](const std::string& line) { std::cout << line << std::endl; };
  for (const auto& c : form_.controls()) {
    Control* control = c.get();
    control->OnChanged = [this, control](Control&) {
      if (control == form_.StatusBar1) PrintStatus();
      if (control == form_.Gauge1) ShowProgress();
      Check();
    };
  }
}

void HeadlessRun::Next() {
  if (current_ == steps_.size()) return Finish(status_);
  waiting_ = true;
  exchangeEnded_ = false;
  const Step& step = steps_[current_];
  RunHandler([&step] {
    if (step.before) step.before();
    step.button->Click();
  });
  Check();
}

bool HeadlessRun::Finished(const Step& step) const {
  switch (step.until) {
    case Step::Until::ExchangeEnds: return exchangeEnded_;
    case Step::Until::PortCloses: return !form_.MSComm1.PortOpen();
    case Step::Until::Condition: return step.condition();
  }
  return false;
}

void HeadlessRun::Check() {
  if (finishing_) return QuitOnceClosed();
  if (!waiting_ || !Finished(steps_[current_])) return;
  waiting_ = false;
  if (steps_[current_].afterwards) steps_[current_].afterwards();
  ++current_;
  // The next step is pressed from the loop, not from inside the handler that finished this one.
  loop_.schedule(0, [this] {
    if (!finishing_) Next();
  });
}

void HeadlessRun::Finish(int status) {
  if (finishing_) return;
  finishing_ = true;
  status_ = status;
  // The connection ends as the window ends it (Stop; in a modem call the hang-up first),
  // unless a step (an archive read) ended it already; the program quits once the port is closed.
  loop_.schedule(0, [this] {
    if (form_.MSComm1.PortOpen()) RunHandler([this] { form_.EndConnection(); });
    QuitOnceClosed();
  });
}

void HeadlessRun::QuitOnceClosed() {
  if (quitting_ || form_.MSComm1.PortOpen()) return;
  quitting_ = true;
  if (terminal_) std::cerr << std::endl;
  loop_.quit(status_);
}

void HeadlessRun::PrintStatus() {
  // The texts of every request and reply would be thousands of lines in an archive read;
  // the progress shows those, and every other status text gets a line of its own.
  static const std::string kChatter[] = {"Запрос данных", "Данные приняты"};
  for (int i = 0; i < 2; ++i) {
    const std::string& text = form_.StatusBar1->Panels[i];
    if (text == shownStatus_[i]) continue;
    shownStatus_[i] = text;
    if (text == kChatter[0] || text == kChatter[1] || text.empty()) continue;
    std::cerr << (terminal_ ? "\r\x1b[K" : "") << text << std::endl;
  }
}

void HeadlessRun::ShowProgress() {
  if (!terminal_ || !form_.engine.Running()) return;
  const int percent = form_.Gauge1->PercentDone();
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const int filled = percent * 40 / 100;
  std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(40 - filled), ' ') << "] " << percent << "%"
            << std::flush;
}

Args::Args(int argc, char** argv) : args_(argv + 1, argv + argc) {}

bool Args::has(const std::string& option) const {
  for (const auto& a : args_)
    if (a == option) return true;
  return false;
}

std::string Args::value(const std::string& option) {
  if (done()) throw UsageError("не задано значение " + option);
  return next();
}

int ReportUsage(const std::string& program, const std::string& message) {
  std::cerr << program << ": " << message << " (справка: " << program << " --help)" << std::endl;
  return kExitUsage;
}

}  // namespace app

namespace app {

const char* const kCommonOptionsHelp =
    "  --port TEXT       порт: номер 1..9 (/dev/ttyS0..8), путь к устройству или sim\n"
    "  --speed TEXT      параметры линии, например 9600,N,8,1 (по умолчанию 115200,N,8,1)\n"
    "  --address N       адрес прибора 0..255 (по умолчанию 0)\n"
    "  --data-dir DIR    папка данных (по умолчанию $TM517_HOME или ~/tm517)\n"
    "  --stamp TEXT      имя файлов архива (по умолчанию дата и время)\n"
    "  --csv             также файлы CSV в arc/csv/ (UTF-8)\n"
    "  --charts          также рисунки PNG суточного и часового расхода в arc/graf/\n"
    "  --trace FILE      записать обмен по порту в файл (и в окне)\n"
    "  --help            эта справка\n";

namespace {

// An address outside the list would be taken by its low byte: another meter on the line.
std::string Address(const std::string& text) {
  try {
    const long long n = ParseInteger(text);
    if (n >= 0 && n <= 255) return text;
  } catch (const ConversionError&) {
  }
  throw UsageError("--address: ожидается целое число от 0 до 255, а не «" + text + "»");
}

// An empty folder would silently be the default one.
std::string Folder(const std::string& text) {
  if (text.empty()) throw UsageError("--data-dir: пустое имя папки");
  return text;
}

}  // namespace

bool TakeCommonOption(Args& args, const std::string& option, CommonOptions& common) {
  const bool field = option == "--port" || option == "--speed" || option == "--address" ||
                     option == "--stamp";
  if (option == "--port") common.port = args.value(option);
  else if (option == "--speed") common.speed = args.value(option);
  else if (option == "--address") common.address = Address(args.value(option));
  else if (option == "--stamp") common.stamp = args.value(option);
  else if (option == "--data-dir") common.dataDir = Folder(args.value(option));
  else if (option == "--csv") common.csv = true;
  else if (option == "--charts") common.charts = true;
  else if (option == "--trace") common.trace = args.value(option);
  else return false;
  common.fieldGiven = common.fieldGiven || field;
  return true;
}

void ApplyCommonOptions(const CommonOptions& common, archive::ArchiveWindow& form) {
  if (common.fieldGiven) {
    form.ComboBox1->Text = common.port;
    form.ComboBox10->Text = common.speed;
    form.ComboBox11->Text = common.address;
    if (!common.stamp.empty()) form.Edit2->Text = common.stamp;
  }
  if (!common.csv && !common.charts) return;
  const std::string dataDir = form.DataDir();
  form.ExtraExports = [dataDir, csv = common.csv, charts = common.charts](
                          const report::ArchiveSeries& series, const std::string& stamp) {
    if (csv) WriteCsvFiles(series, dataDir, stamp);
    if (charts) WriteCharts(series, dataDir, stamp);
  };
}

}  // namespace app

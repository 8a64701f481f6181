#include "apps/linkmon/headless.h"

#include <climits>
#include <utility>

#include "platform/errors.h"

namespace linkmon {
namespace {

// Two full poll cycles without a good reply: the meter is taken as gone.
constexpr int kMissedTicksLimit = 24;

void Press(Button& button) {
  RunHandler([&button] { button.Click(); });
}

std::optional<int> CyclesFrom(const std::string& text) {
  try {
    const long long n = ParseInteger(text);
    if (n >= 1 && n <= INT_MAX) return static_cast<int>(n);
  } catch (const ConversionError&) {
  }
  return std::nullopt;
}

// An address outside the list would be taken by its low byte: another meter on the line.
bool IsAddress(const std::string& text) {
  try {
    const long long n = ParseInteger(text);
    return n >= 0 && n <= 255;
  } catch (const ConversionError&) {
    return false;
  }
}

}  // namespace

const char* const kUsage =
    "Использование: linkmon [параметры]\n"
    "Без параметров открывает окно; с любым из них опрашивает прибор без окна.\n"
    "  --port ТЕКСТ     порт: номер 1-9 (/dev/ttyS<N-1>), путь к устройству или sim (1)\n"
    "  --speed ТЕКСТ    параметры линии, например 9600,N,8,1 (115200,N,8,1)\n"
    "  --address ТЕКСТ  адрес прибора 0-255 (0)\n"
    "  --period ТЕКСТ   период опроса, с: 0,1 0,2 0,5 или 1,0 (0,5)\n"
    "  --cycles N       число обновлений показаний до остановки (1)\n"
    "  --trace ФАЙЛ     записать обмен по порту в файл (и в окне)\n"
    "  --help           эта справка\n"
    "Каждое обновление - строка из восьми полей через табуляцию: текущее, счетчик,\n"
    "наработка и состояние канала 1, затем то же для канала 2. Тексты состояния связи\n"
    "выводятся в стандартный поток ошибок.\n"
    "Код выхода: 0 - успешно; 2 - ошибка параметров или порта; 3 - нет связи с прибором\n"
    "(два полных цикла опроса без ответа).\n";

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  const auto usageError = [&line](const std::string& message) {
    line.mode = CommandLine::Mode::UsageError;
    line.error = message + " (см. linkmon --help)";
    return line;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help") {
      line.mode = CommandLine::Mode::Help;
      return line;
    }
    if (name == "--trace") {
      if (i + 1 == args.size()) return usageError("У параметра " + name + " нет значения");
      line.options.trace = args[++i];
      continue;
    }
    std::optional<std::string>* field = name == "--port"      ? &line.options.port
                                        : name == "--speed"   ? &line.options.speed
                                        : name == "--address" ? &line.options.address
                                        : name == "--period"  ? &line.options.period
                                                              : nullptr;
    if (!field && name != "--cycles") return usageError("Неизвестный параметр «" + name + "»");
    if (i + 1 == args.size()) return usageError("У параметра " + name + " нет значения");
    const std::string& value = args[++i];
    if (field == &line.options.address && !IsAddress(value))
      return usageError("--address ожидает целое число от 0 до 255, а не «" + value + "»");
    if (field) {
      *field = value;
      continue;
    }
    const auto cycles = CyclesFrom(value);
    if (!cycles) return usageError("--cycles ожидает целое число от 1, а не «" + value + "»");
    line.options.cycles = *cycles;
  }
  const bool onlyTrace = args.size() == 2 && args[0] == "--trace";
  if (!args.empty() && !onlyTrace) line.mode = CommandLine::Mode::Headless;
  return line;
}

HeadlessRun::HeadlessRun(TForm1& form, EventLoop& loop, Options options, std::ostream& out,
                         std::ostream& err)
    : form_(form), loop_(loop), options_(std::move(options)), out_(out), err_(err) {}

void HeadlessRun::Begin() {
  SetErrorReporter([this](const Error& e) {
    err_ << e.what() << '\n';
    Finish(kExitUsage);
  });
  for (std::size_t i = 0; i < 2; ++i) shownStatus_[i] = form_.StatusBar1->Panels[i];
  form_.StatusBar1->OnChanged = [this](Control&) { ShowStatus(); };
  form_.Poll.OnDisplayRefreshed = [this] { ShowDisplay(); };
  form_.Poll.OnPollTick = [this](bool replyMissed) { CountTick(replyMissed); };

  if (options_.port) form_.ComboBox1->Type(*options_.port);
  if (options_.speed) form_.ComboBox10->Type(*options_.speed);
  if (options_.address) form_.ComboBox11->Type(*options_.address);
  if (options_.period && !ChoosePeriod(*options_.period)) return Finish(kExitUsage);
  Press(*form_.Button2);
}

bool HeadlessRun::ChoosePeriod(const std::string& period) {
  std::string offered;
  for (RadioButton* radio : {form_.RadioButton1, form_.RadioButton2, form_.RadioButton3,
                             form_.RadioButton4}) {
    if (radio->Caption.get() == period) {
      RunHandler([radio] { radio->Click(); });
      return true;
    }
    offered += " " + radio->Caption.get();
  }
  err_ << "Неверный период опроса «" << period << "»: ожидается одно из:" << offered
       << " (см. linkmon --help)\n";
  return false;
}

// Each status text as it changes, one per line.
void HeadlessRun::ShowStatus() {
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& text = form_.StatusBar1->Panels[i];
    if (text != shownStatus_[i]) err_ << text << '\n';
    shownStatus_[i] = text;
  }
}

void HeadlessRun::ShowDisplay() {
  std::string line;
  for (const Label* label : {form_.Label1, form_.Label2, form_.Label5, form_.Label12,
                             form_.Label6, form_.Label7, form_.Label8, form_.Label13})
    line += (line.empty() ? "" : "\t") + label->Caption.get();
  out_ << line << std::endl;
  if (++refreshes_ == options_.cycles) Finish(kExitOk);
}

void HeadlessRun::CountTick(bool replyMissed) {
  missedInRow_ = replyMissed ? missedInRow_ + 1 : 0;
  if (missedInRow_ < kMissedTicksLimit) return;
  err_ << "Нет связи с прибором: два полных цикла опроса без ответа\n";
  Finish(kExitNoReply);
}

// Presses Stop if polling and ends the loop, once the running handler has returned.
void HeadlessRun::Finish(int status) {
  if (std::exchange(finishing_, true)) return;
  loop_.schedule(0, [this, status] {
    if (form_.Poll.Polling()) Press(*form_.Button1);
    loop_.quit(status);
  });
}

}  // namespace linkmon

// arcgsm: the archive reader through a GSM modem call. Without options it opens its window;
// with options it calls, runs the given steps headless, hangs up and exits.
#include <iostream>
#include <optional>

#include "apps/arcgsm/arcgsm_form.h"
#include "apps/common/archive_main.h"
#include "platform/clock.h"
#include "platform/errors.h"

namespace {

constexpr const char* kProgram = "arcgsm";

const char* const kHelp =
    "Использование: arcgsm [параметры]\n"
    "Без параметров (или только с --data-dir, --csv, --charts) открывает окно. Иначе\n"
    "работает без окна: нажимает «Старт», набирает номер («Соединится»), ждёт ответа\n"
    "30 с, выполняет действия в заданном порядке и разрывает связь.\n\n"
    "Номер (одно из двух):\n"
    "  --phone TEXT      набрать TEXT\n"
    "  --node N          набрать номер N-го узла справочника gsm_csd.ini (с 1)\n\n"
    "Действия:\n"
    "  --set-clock       установить время ПК в прибор\n"
    "  --read-clock      считать время прибора\n"
    "  --read-params     считать параметры прибора\n"
    "  --read-interval   считать архив за интервал (последним действием)\n"
    "  --date YYYY-MM-DD   первый день интервала (по умолчанию сегодня)\n"
    "  --days N            число следующих дней (по умолчанию 1)\n"
    "  --read-months     считать архив по месяцам (последним действием)\n\n"
    "Параметры:\n";

using Form = arcgsm::TForm1;
using ButtonOf = platform::Button* Form::*;

struct Options {
  app::CommonOptions common;
  std::optional<std::string> phone;
  std::optional<long long> node;
  std::vector<ButtonOf> actions;
  std::optional<double> date;  // --date as a day count
  std::optional<std::string> days;
  // A field of the window or an action was given: the program runs headless.
  bool headless() const {
    return common.fieldGiven || phone || node || date || days || !actions.empty();
  }
};

bool IsArchiveRead(ButtonOf b) { return b == &Form::Button14 || b == &Form::Button15; }

long long WholeNumber(const std::string& option, const std::string& text, long long least) {
  long long n = 0;
  try {
    n = platform::ParseInteger(text);
  } catch (const platform::ConversionError&) {
    throw app::UsageError(option + ": «" + text + "» не является целым числом");
  }
  if (n < least)
    throw app::UsageError(option + ": ожидается число не меньше " + std::to_string(least));
  return n;
}

// A date YYYY-MM-DD as a day count.
double ParseDate(const std::string& text) {
  const auto bad = [&] {
    return app::UsageError("--date: «" + text + "» не является датой ГГГГ-ММ-ДД");
  };
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') throw bad();
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (text[i] < '0' || text[i] > '9') throw bad();
  const int y = std::stoi(text.substr(0, 4)), m = std::stoi(text.substr(5, 2)),
            d = std::stoi(text.substr(8, 2));
  if (m < 1 || m > 12 || d < 1) throw bad();
  const double day = platform::EncodeDateTime({y, m, d});
  if (platform::DecodeDateTime(day).day != d) throw bad();  // 31 April, 30 February
  return day;
}

Options ReadOptions(app::Args& args) {
  Options o;
  while (!args.done()) {
    const std::string option = args.next();
    if (!o.actions.empty() && IsArchiveRead(o.actions.back()) &&
        (option == "--set-clock" || option == "--read-clock" || option == "--read-params" ||
         option == "--read-interval" || option == "--read-months"))
      throw app::UsageError("чтение архива должно быть последним действием");
    if (app::TakeCommonOption(args, option, o.common)) continue;
    if (option == "--phone") o.phone = args.value(option);
    else if (option == "--node") o.node = WholeNumber(option, args.value(option), 1);
    else if (option == "--date") o.date = ParseDate(args.value(option));
    else if (option == "--days")
      o.days = std::to_string(WholeNumber(option, args.value(option), 0));
    else if (option == "--set-clock") o.actions.push_back(&Form::Button10);
    else if (option == "--read-clock") o.actions.push_back(&Form::Button7);
    else if (option == "--read-params") o.actions.push_back(&Form::Button1);
    else if (option == "--read-interval") o.actions.push_back(&Form::Button14);
    else if (option == "--read-months") o.actions.push_back(&Form::Button15);
    else throw app::UsageError("неизвестный параметр " + option);
  }
  if (o.phone && o.node) throw app::UsageError("задайте либо --phone, либо --node, не оба");
  if (o.headless() && !o.phone && !o.node)
    throw app::UsageError("не задан номер: --phone TEXT или --node N");
  return o;
}

// The number to dial: typed, or the node chosen from the list as the operator would.
std::function<void()> ChooseNumber(Form& form, const Options& o) {
  if (o.phone) return [&form, phone = *o.phone] { form.Edit1->Text = phone; };
  const auto nodes = static_cast<long long>(form.ComboBox3->Items.get().size());
  if (*o.node > nodes)
    throw app::UsageError("--node " + std::to_string(*o.node) + ": в справочнике " +
                          form.DataDir() + gsm::kNodeDirectoryFile + " узлов " +
                          std::to_string(nodes));
  return [&form, index = static_cast<int>(*o.node - 1)] { form.ComboBox3->Choose(index); };
}

app::Step Press(platform::Button* button, app::Step::Until until) {
  app::Step step{};
  step.button = button;
  step.until = until;
  return step;
}

std::vector<app::Step> Steps(Form& form, const Options& o) {
  using Until = app::Step::Until;
  std::vector<app::Step> steps;
  app::Step dial = Press(form.Button5, Until::Condition);
  dial.before = ChooseNumber(form, o);
  dial.condition = [&form] { return form.Button6->Enabled.get(); };  // the answer wait ended
  steps.push_back(std::move(dial));
  for (ButtonOf b : o.actions) {
    app::Step step = Press(form.*b, IsArchiveRead(b) ? Until::PortCloses : Until::ExchangeEnds);
    if (b == &Form::Button7)
      step.afterwards = [&form] { std::cout << form.Label70->Caption.get() << std::endl; };
    if (b == &Form::Button14)
      step.before = [&form, date = o.date, days = o.days] {
        if (date) form.DateTimePicker1->Pick(*date);
        if (days) form.ComboBox2->Text = *days;
      };
    steps.push_back(std::move(step));
  }
  // An archive read hangs up by itself; otherwise the call ends after the last action.
  if (o.actions.empty() || !IsArchiveRead(o.actions.back()))
    steps.push_back(Press(form.Button6, Until::PortCloses));
  return steps;
}

}  // namespace

int main(int argc, char** argv) {
  app::Args args(argc, argv);
  Options options;
  try {
    if (args.has("--help")) {
      std::cout << kHelp << app::kCommonOptionsHelp;
      return app::kExitOk;
    }
    options = ReadOptions(args);
  } catch (const app::UsageError& e) {
    return app::ReportUsage(kProgram, e.what());
  }
  const app::ArchiveProgram program{
      kProgram, true,
      [](platform::EventLoop& loop, platform::DeviceFactory ports, std::string dataDir) {
        return std::make_unique<Form>(loop, std::move(ports), std::move(dataDir));
      },
      [&options](archive::ArchiveWindow& form) {
        return Steps(static_cast<Form&>(form), options);
      }};
  // Options that only say where and what to write leave the window open.
  return app::RunArchiveProgram(argc, argv, program, options.common, !options.headless());
}

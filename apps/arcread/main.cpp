// arcread: the archive reader over a direct line. Without options it opens its window; with
// options it runs the given steps headless and exits.
#include <iostream>

#include "apps/arcread/arcread_form.h"
#include "apps/common/archive_main.h"

namespace {

constexpr const char* kProgram = "arcread";

const char* const kHelp =
    "Использование: arcread [параметры]\n"
    "Без параметров открывает окно. С параметрами работает без окна: нажимает «Старт»,\n"
    "выполняет действия в заданном порядке, затем «Стоп».\n\n"
    "Действия:\n"
    "  --set-clock       установить время ПК в прибор\n"
    "  --read-clock      считать время прибора\n"
    "  --read-params     считать параметры прибора\n"
    "  --write-gsm TEXT  записать параметры GSM\n"
    "  --read-gsm        считать параметры GSM\n"
    "  --read-archive    считать архив в файлы (последним действием)\n\n"
    "Параметры:\n";

struct Action {
  platform::Button* arcread::TForm1::*button;
  app::Step::Until until;
  bool printsClock;
  std::string gsmText;  // --write-gsm
};

std::vector<Action> ReadActions(app::Args& args, app::CommonOptions& common) {
  using Until = app::Step::Until;
  std::vector<Action> actions;
  while (!args.done()) {
    const std::string option = args.next();
    if (!actions.empty() && actions.back().button == &arcread::TForm1::Button11)
      throw app::UsageError("--read-archive должно быть последним действием");
    if (app::TakeCommonOption(args, option, common)) continue;
    if (option == "--set-clock") actions.push_back({&arcread::TForm1::Button10, Until::ExchangeEnds, false, {}});
    else if (option == "--read-clock") actions.push_back({&arcread::TForm1::Button7, Until::ExchangeEnds, true, {}});
    else if (option == "--read-params") actions.push_back({&arcread::TForm1::Button1, Until::ExchangeEnds, false, {}});
    else if (option == "--write-gsm") actions.push_back({&arcread::TForm1::Button5, Until::ExchangeEnds, false, args.value(option)});
    else if (option == "--read-gsm") actions.push_back({&arcread::TForm1::Button6, Until::ExchangeEnds, false, {}});
    else if (option == "--read-archive") actions.push_back({&arcread::TForm1::Button11, Until::PortCloses, false, {}});
    else throw app::UsageError("неизвестный параметр " + option);
  }
  return actions;
}

std::vector<app::Step> Steps(arcread::TForm1& form, const std::vector<Action>& actions) {
  std::vector<app::Step> steps;
  for (const auto& a : actions) {
    app::Step step{form.*a.button, a.until};
    if (a.printsClock)
      step.afterwards = [&form] { std::cout << form.Label70->Caption.get() << std::endl; };
    if (a.button == &arcread::TForm1::Button5)
      step.before = [&form, text = a.gsmText] { form.Edit1->Text = text; };
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace

int main(int argc, char** argv) {
  app::Args args(argc, argv);
  app::CommonOptions common;
  std::vector<Action> actions;
  try {
    if (args.has("--help")) {
      std::cout << kHelp << app::kCommonOptionsHelp;
      return app::kExitOk;
    }
    actions = ReadActions(args, common);
  } catch (const app::UsageError& e) {
    return app::ReportUsage(kProgram, e.what());
  }
  const app::ArchiveProgram program{
      kProgram, false,
      [](platform::EventLoop& loop, platform::DeviceFactory ports, std::string dataDir) {
        return std::make_unique<arcread::TForm1>(loop, std::move(ports), std::move(dataDir));
      },
      [&actions](archive::ArchiveWindow& form) {
        return Steps(static_cast<arcread::TForm1&>(form), actions);
      }};
  // Options that only say where and what to write leave the window open.
  return app::RunArchiveProgram(argc, argv, program, common,
                                actions.empty() && !common.fieldGiven);
}

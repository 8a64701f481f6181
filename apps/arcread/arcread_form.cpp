#include "apps/arcread/arcread_form.h"

#include "gsm/gsm_settings.h"
#include "platform/text.h"

namespace arcread {

using archive::Rect;
using namespace platform;

namespace {

constexpr std::uint16_t kArchiveFirst = 0;
constexpr std::int32_t kArchiveEnd = 12800;

const archive::WindowTraits kTraits{
    &archive::kArcreadRules,
    "VIVUVURUZA TM517 АРХИВ V2006.11.14",
    727,
    471,
    {/*start*/ {16, 16, 120, 51}, /*stop*/ {16, 75, 120, 52}, /*link*/ {150, 8, 290, 122},
     /*time*/ {454, 8, 258, 122}, /*archive*/ {16, 140, 360, 112}, /*gsm*/ {390, 140, 322, 112},
     /*params*/ {16, 262, 200, 28}, /*memo*/ {16, 298, 696, 142}},
    "Параметры GSM:",
    "Цикл+тел.GSM1+тел.GSM2+тел.GSM3",
    false};

}  // namespace

TForm1::TForm1(EventLoop& loop, DeviceFactory ports, std::string dataDir)
    : ArchiveWindow(kTraits, loop, std::move(ports), std::move(dataDir)) {
  Button11->Caption = "Считать архив в файл:";
  Button11->SetBounds(12, 56, 149, 27);
  Label6->SetBounds(172, 61, 40, 17);
  Edit2->SetBounds(214, 58, 134, 22);

  Label1->SetBounds(12, 22, 300, 17);
  Edit1->SetBounds(12, 42, 298, 22);
  Button5->Caption = "Записать";
  Button5->SetBounds(12, 74, 120, 28);
  Button6->Caption = "Считать параметры GSM";
  Button6->SetBounds(140, 74, 170, 28);

  Button11->OnClick = [this] { Button11Click(); };
  Button5->OnClick = [this] { Button5Click(); };
  Button6->OnClick = [this] { Button6Click(); };
  Button13->OnClick = [this] { Button13Click(); };

  engine.GsmSettingsText = gsm::DefaultSettingsText();
  Edit1->Text = gsm::DefaultSettingsField();
  FormCreate();
}

void TForm1::Button11Click() {
  engine.StartOperation(archive::kReadArchive, kArchiveFirst, kArchiveEnd);
  Gauge1->Progress = 0;
}

void TForm1::Button5Click() {
  engine.GsmSettingsText = ToCp1251(Edit1->Text.get());
  engine.StartOperation(archive::kWriteGsm, gsm::kSettingsFirst, gsm::kSettingsEnd);
}

void TForm1::Button6Click() {
  engine.StartOperation(archive::kReadGsm, gsm::kSettingsFirst, gsm::kSettingsEnd);
}

void TForm1::Button13Click() {
  engine.GsmSettingsText = gsm::SettingsAfterRead(engine.GsmSettingsText, store.WordValues);
  Memo1->Lines.Add(gsm::SettingsLogLine(engine.GsmSettingsText));
}

report::ExportOptions TForm1::ExportOptionsNow() const { return {true, true, true}; }

void TForm1::AfterArchiveExport() { Button3->Click(); }

void TForm1::EnableAfterStart() {
  for (auto* b : {Button1, Button7, Button10, Button6}) b->Enabled = true;
}

}  // namespace arcread

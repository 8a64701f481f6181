#include "archive/archive_window.h"

#include <exception>

#include "archive/device_clock.h"
#include "archive/parameter_sheet.h"
#include "link/frames.h"
#include "platform/clock.h"
#include "platform/data_dir.h"
#include "platform/errors.h"

namespace archive {

using namespace platform;

const std::vector<std::string> kLineSettingsItems = {
    "600,N,8,1",   "1200,N,8,1",  "2400,N,8,1",  "4800,N,8,1", "9600,N,8,1",
    "19200,N,8,1", "38400,N,8,1", "57600,N,8,1", "115200,N,8,1"};

std::vector<std::string> AddressItems() {
  std::vector<std::string> items;
  for (int a = 0; a <= 255; ++a) items.push_back(std::to_string(a));
  return items;
}

namespace {

constexpr int kStatusBarHeight = 22;

Font GroupFont() { return {"Arial", 13, colors::Navy, true}; }

Font ButtonFont() { return {"Arial", 13, colors::Navy}; }

void CheckAddress(const std::string& text) {
  try {
    ParseInteger(text);
  } catch (const ConversionError& e) {
    throw ConversionError(std::string("Адрес прибора: ") + e.what());
  }
}

}  // namespace

ArchiveWindow::ArchiveWindow(const WindowTraits& traits, EventLoop& loop_,
                             DeviceFactory ports, std::string dataDir)
    : Form(traits.caption, traits.width, traits.height),
      loop(loop_),
      Timer1(loop_, 1000, false),
      Timer2(loop_, 500, false),
      MSComm1(std::move(ports)),
      // The controls exist before the engine that reports through them.
      engine(*traits.rules, loop_, MSComm1, store, BuildControls(traits)),
      traits_(traits),
      dataDir_(std::move(dataDir)) {
  LayOutSharedGroups();
  ConnectHandlers();
}

ArchiveWindow::~ArchiveWindow() = default;

EngineView ArchiveWindow::BuildControls(const WindowTraits& traits) {
  Panel1 = add<Panel>("Panel1", nullptr);
  Panel1->bevel = Panel::Bevel::RaisedLowered;
  Panel1->SetBounds(0, 0, traits.width, traits.height - kStatusBarHeight);
  auto* silver = add<Shape>("Shape1", Panel1);
  silver->Brush = colors::Silver;
  silver->Pen = colors::Silver;
  silver->SetBounds(2, 2, traits.width - 4, traits.height - kStatusBarHeight - 4);
  const WindowLayout& l = traits.layout;
  for (const Rect& r : {l.link, l.time, l.archive, l.gsm, l.memo}) AddShadow(r);

  Button2 = add<Button>("Button2", Panel1);
  Button2->Caption = "Старт";
  Button3 = add<Button>("Button3", Panel1);
  Button3->Caption = "Стоп";
  Button3->Enabled = false;
  for (auto* b : {Button2, Button3}) {
    b->Font = ButtonFont();
    b->Font.bold = true;
    b->Font.pixels = 16;
  }

  GroupBox16 = add<GroupBox>("GroupBox16", Panel1);
  GroupBox16->Caption = "Параметры связи";
  Label3 = add<Label>("Label3", GroupBox16);
  Label3->Caption = "Скорость обмена :";
  ComboBox10 = add<ComboBox>("ComboBox10", GroupBox16);
  ComboBox10->Items = kLineSettingsItems;
  ComboBox10->Text = "115200,N,8,1";
  Label4 = add<Label>("Label4", GroupBox16);
  Label4->Caption = "Адрес прибора :";
  ComboBox11 = add<ComboBox>("ComboBox11", GroupBox16);
  ComboBox11->Items = AddressItems();
  ComboBox11->Text = "0";
  Label2 = add<Label>("Label2", GroupBox16);
  Label2->Caption = "№ порта RS232:";
  ComboBox1 = add<ComboBox>("ComboBox1", GroupBox16);
  ComboBox1->Items = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
  ComboBox1->Text = "1";
  for (auto* c : {ComboBox10, ComboBox11, ComboBox1}) c->SetOwnColor(colors::Info);

  GroupBox3 = add<GroupBox>("GroupBox3", Panel1);
  GroupBox3->Caption = "Время:";
  Button7 = add<Button>("Button7", GroupBox3);
  Button7->Caption = "Считать время прибора";
  Button10 = add<Button>("Button10", GroupBox3);
  Button10->Caption = "Установить время ПК в прибор";
  Button10->Font.underline = true;
  Label70 = add<Label>("Label70", GroupBox3);
  Label70->Font = {"Arial", 16, colors::Red, true};
  Label70->SetOwnColor(colors::Maroon);
  Label70->Transparent = false;

  GroupBox1 = add<GroupBox>("GroupBox1", Panel1);
  GroupBox1->Caption = "Архив:";
  Gauge1 = add<Gauge>("Gauge1", GroupBox1);
  Gauge1->MaxValue = 12800;
  Label6 = add<Label>("Label6", GroupBox1);
  Label6->Caption = "Файл :";
  Edit2 = add<Edit>("Edit2", GroupBox1);
  Edit2->Text = "12_01_2006_20:16";
  Button11 = add<Button>("Button11", GroupBox1);

  GroupBox2 = add<GroupBox>("GroupBox2", Panel1);
  GroupBox2->Caption = traits.gsmGroupCaption;
  Label1 = add<Label>("Label1", GroupBox2);
  Label1->Caption = traits.gsmLabelCaption;
  Label1->Font.color = colors::Gray;
  Edit1 = add<Edit>("Edit1", GroupBox2);
  Button5 = add<Button>("Button5", GroupBox2);
  Button5->Font = {"Arial", 13, colors::Maroon, false, false, true};
  Button6 = add<Button>("Button6", GroupBox2);

  Button1 = add<Button>("Button1", Panel1);
  Button1->Caption = "Считать параметры прибора";
  Memo1 = add<Memo>("Memo1", Panel1);
  Memo1->Font = {"Courier New", 11};
  Memo1->SetOwnColor(colors::White);

  for (auto* g : {GroupBox16, GroupBox3, GroupBox1, GroupBox2}) {
    g->Font = GroupFont();
    g->SetOwnColor(colors::Silver);
  }
  for (auto* b : {Button7, Button10, Button5, Button6, Button1, Button11}) {
    if (b != Button5 && b != Button10) b->Font = ButtonFont();
    b->Enabled = false;
  }

  StatusBar1 = add<StatusBar>("StatusBar1", nullptr);
  StatusBar1->SetBounds(0, traits.height - kStatusBarHeight, traits.width, kStatusBarHeight);
  StatusBar1->PanelWidths = {200, 150};
  StatusBar1->Panels[0] = "Статус связи";

  const auto hidden = [this](const char* name, const char* caption) {
    auto* b = add<Button>(name, Panel1);
    b->Caption = caption;
    b->Visible = false;
    return b;
  };
  Button9 = hidden("Button9", "Режим пульта");
  Button8 = hidden("Button8", "Показать время");
  Button4 = hidden("Button4", "Button4");
  Button12 = hidden("Button12", "Архив в файл");
  Button13 = hidden("Button13", "Button13");
  CheckBox4 = add<CheckBox>("CheckBox4", Panel1);
  CheckBox4->Caption = "4";
  CheckBox4->Visible = false;
  return EngineView{CheckBox4, ComboBox11, StatusBar1, Gauge1};
}

void ArchiveWindow::AddShadow(const Rect& r) {
  auto* s = add<Shape>("Shadow" + std::to_string(controls().size()), Panel1);
  s->Brush = colors::Black;
  s->Pen = colors::Gray;
  s->SetBounds(r.left + 4, r.top + 4, r.width, r.height);
}

void ArchiveWindow::LayOutSharedGroups() {
  const WindowLayout& l = traits_.layout;
  const auto place = [](Control* c, const Rect& r) { c->SetBounds(r.left, r.top, r.width, r.height); };
  place(Button2, l.start);
  place(Button3, l.stop);
  place(GroupBox16, l.link);
  place(GroupBox3, l.time);
  place(GroupBox1, l.archive);
  place(GroupBox2, l.gsm);
  place(Button1, l.params);
  place(Memo1, l.memo);

  const int listLeft = l.link.width - 158;
  int top = 22;
  for (auto [label, list] : {std::pair{Label3, ComboBox10}, std::pair{Label4, ComboBox11},
                             std::pair{Label2, ComboBox1}}) {
    label->SetBounds(12, top + 3, listLeft - 16, 17);
    list->SetBounds(listLeft, top, 145, 22);
    top += 32;
  }
  Button7->SetBounds(12, 20, 200, 25);
  Button10->SetBounds(12, 52, 200, 25);
  Label70->SetBounds(12, 84, 152, 26);
  Gauge1->SetBounds(12, 22, l.archive.width - 24, 22);
}

void ArchiveWindow::ConnectHandlers() {
  Button2->OnClick = [this] { Button2Click(); };
  Button3->OnClick = [this] { Button3Click(); };
  Button7->OnClick = [this] { Button7Click(); };
  Button10->OnClick = [this] { Button10Click(); };
  Button8->OnClick = [this] { Button8Click(); };
  Button1->OnClick = [this] { Button1Click(); };
  Button4->OnClick = [this] { Button4Click(); };
  Button9->OnClick = [this] { Button9Click(); };
  Button12->OnClick = [this] { Button12Click(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Timer2.OnTimer = [this] { Timer2Timer(); };
  MSComm1.OnBytesArrived = [this] { RunHandler([this] { engine.ApplicationEvents1Idle(); }); };
  MSComm1.OnLost = [this](const std::string& message) {
    RunHandler([&] { throw PortError(message); });
    engine.Fail("Порт потерян");
    DisableAfterStop();  // nothing more runs on the lost port until Stop and a new Start
  };
  engine.SetFollowUp(kReadClock, [this] { Button8->Click(); });
  engine.SetFollowUp(kReadParams, [this] { Button4->Click(); });
  engine.SetFollowUp(kReadArchive, [this] {
    // The connection is ended also when the reports could not be written.
    RunHandler([this] { Button12->Click(); });
    AfterArchiveExport();
  });
  engine.SetFollowUp(kReadGsm, [this] { Button13->Click(); });
}

void ArchiveWindow::FormCreate() {
  const DateTime now = DecodeDateTime(loop.now());
  Edit2->Text = FileStamp(now);
  engine.PcClock = PackClock(now);
  Timer1.SetEnabled(true);
}

void ArchiveWindow::Timer1Timer() { engine.PcClock = PackClock(DecodeDateTime(loop.now())); }

void ArchiveWindow::Timer2Timer() {
  Gauge1->Progress = 0;
  Timer2.SetEnabled(false);
}

std::vector<std::string> ArchiveWindow::ExportPaths(const std::string& stamp) const {
  std::vector<std::string> paths;
  for (const auto& f : report::ReportFiles()) paths.push_back(dataDir_ + f.folder + stamp + f.suffix);
  return paths;
}

void ArchiveWindow::Button2Click() {
  Gauge1->Progress = 0;
  CheckFileStamp(Edit2->Text);
  EnsureExportFolders(dataDir_);
  files_.Create(ExportPaths(Edit2->Text));
  try {
    engine.ResetForStart();
    CheckAddress(ComboBox11->Text);  // the address must be a number before the port opens
    OpenPort();
  } catch (...) {
    // The files stay created, as empty files; nothing holds them open.
    files_.Close();
    throw;
  }
  Button9->Click();
  Button9->Click();
  EnableConnectionControls(true);
  EnableAfterStart();
}

void ArchiveWindow::OpenPort() {
  MSComm1.CommPort = ComboBox1->Text;
  MSComm1.InputLen = 0;
  MSComm1.RThreshold = 0;
  MSComm1.SThreshold = 0;
  MSComm1.InputMode = MSComm::comInputModeBinary;
  MSComm1.InBufferSize = 1024;
  MSComm1.OutBufferSize = 1024;
  MSComm1.NullDiscard = false;
  MSComm1.Settings = ComboBox10->Text;
  MSComm1.SetPortOpen(true);
  MSComm1.SetRTSEnable(true);
}

void ArchiveWindow::Button9Click() {
  const auto address = static_cast<std::uint8_t>(ParseInteger(ComboBox11->Text) & 0xFF);
  MSComm1.Output(devlink::AsciiRequest(address, 'F'));
}

void ArchiveWindow::Button3Click() {
  // Stop always ends the connection: the stop request when the port is still there, then the
  // files and the port, also when the request could not be sent; the first failure is
  // reported afterwards.
  std::exception_ptr failure;
  try {
    engine.SendStopRequest();
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    files_.Close();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  MSComm1.SetPortOpen(false);
  EnableConnectionControls(false);
  DisableAfterStop();
  CheckBox4->Checked = false;
  if (failure) std::rethrow_exception(failure);
}

void ArchiveWindow::EnableConnectionControls(bool connected) {
  Button2->Enabled = !connected;
  Button3->Enabled = connected;
  for (auto* c : {ComboBox10, ComboBox11, ComboBox1}) c->Enabled = !connected;
  Button11->Enabled = connected;
  Button5->Enabled = connected;
  if (!connected)
    for (auto* b : {Button1, Button7, Button10, Button6}) b->Enabled = false;
}

void ArchiveWindow::CountOnGauge(int maximum) {
  if (!traits_.viaModem) return;
  engine.GoodCount = 0;
  Gauge1->MaxValue = maximum;
  Gauge1->Progress = 0;
}

void ArchiveWindow::Button7Click() {
  Label70->Caption = "";
  engine.StartOperation(kReadClock, 0, traits_.rules->singleRecordEnd());
  CountOnGauge(1);
}

void ArchiveWindow::Button10Click() {
  engine.StartOperation(kSetClock, 0, traits_.rules->singleRecordEnd());
}

void ArchiveWindow::Button8Click() {
  Label70->Caption = ClockText(store.ArchiveValues[0]);
  Timer2.SetEnabled(true);
}

void ArchiveWindow::Button1Click() {
  engine.StartOperation(kReadParams, 0, kParameterRecords);
  CountOnGauge(kParameterRecords);
}

void ArchiveWindow::Button4Click() {
  for (const auto& line : ParameterSheet(store)) Memo1->Lines.Add(line);
  Timer2.SetEnabled(true);
}

void ArchiveWindow::Button12Click() {
  const auto options = ExportOptionsNow();
  const auto files = report::ExportArchive(store.ArchiveValues, options);
  for (std::size_t i = 0; i < files.size(); ++i) files_.Append(i, files[i]);
  if (ExtraExports) ExtraExports(report::ExportSeries(store.ArchiveValues, options), Edit2->Text);
  StatusBar1->Panels[1] = report::kArchivesWritten;
  for (const auto& line : report::ClosingMemoLines(ArchiveFolder(), Edit2->Text))
    Memo1->Lines.Add(line);
}

}  // namespace archive

#include "apps/arcgsm/arcgsm_form.h"

#include <cmath>

#include "gsm/modem_call.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace arcgsm {

using namespace platform;

namespace {

const archive::WindowTraits kTraits{
    &archive::kArcgsmRules,
    "TM517 АРХИВ GSM(CSD) V2009.08.15",
    830,
    530,
    {/*start*/ {16, 16, 120, 51}, /*stop*/ {16, 75, 120, 52}, /*link*/ {150, 8, 330, 122},
     /*time*/ {494, 8, 320, 122}, /*archive*/ {16, 140, 420, 150}, /*gsm*/ {450, 140, 364, 150},
     /*params*/ {16, 302, 200, 28}, /*memo*/ {16, 340, 798, 156}},
    "GSM связь (CSD):",
    "Узел учета :",
    true};

const std::vector<std::string> kDayCountItems = {"1",  "2",  "3",  "4",  "5",  "7",
                                                 "10", "15", "20", "25", "31", "35"};

Font CommandFont() { return {"Arial", 13, colors::Navy}; }

}  // namespace

TForm1::TForm1(EventLoop& loop, DeviceFactory ports, std::string dataDir)
    : ArchiveWindow(kTraits, loop, std::move(ports), std::move(dataDir)),
      Timer3(loop, gsm::kAnswerWaitMs, false),
      Timer4(loop, gsm::kEscapePauseMs, false),
      Timer5(loop, gsm::kHangUpPauseMs, false) {
  BuildRangeControls();
  BuildCallControls();
  ConnectArcgsmHandlers();
  FormCreate();
}

void TForm1::BuildRangeControls() {
  Label6->SetBounds(12, 57, 44, 17);
  Edit2->SetBounds(60, 54, 150, 22);
  Label5 = add<Label>("Label5", GroupBox1);
  Label5->Caption = "Дата :";
  Label5->SetBounds(12, 89, 44, 17);
  DateTimePicker1 = add<DatePicker>("DateTimePicker1", GroupBox1);
  DateTimePicker1->SetBounds(60, 86, 150, 22);
  Label7 = add<Label>("Label7", GroupBox1);
  Label7->Caption = "Дней :";
  Label7->SetBounds(12, 121, 44, 17);
  ComboBox2 = add<ComboBox>("ComboBox2", GroupBox1);
  ComboBox2->Items = kDayCountItems;
  ComboBox2->Text = "1";
  ComboBox2->SetOwnColor(colors::Info);
  ComboBox2->SetBounds(60, 118, 80, 22);

  Button14 = add<Button>("Button14", GroupBox1);
  Button14->Caption = "Считать за интервал";
  Button14->SetBounds(221, 54, 187, 39);
  Button15 = add<Button>("Button15", GroupBox1);
  Button15->Caption = "Считать по месяцам";
  Button15->SetBounds(221, 101, 187, 35);
  for (auto* b : {Button14, Button15}) {
    b->Font = CommandFont();
    b->Enabled = false;
  }
  // The read of the chosen range runs through the hidden "Считать".
  Button11->Caption = "Считать";
  Button11->Visible = false;
  Button11->Enabled = true;
}

void TForm1::BuildCallControls() {
  Label1->SetBounds(12, 24, 120, 17);
  ComboBox3 = add<ComboBox>("ComboBox3", GroupBox2);
  ComboBox3->Text = gsm::kNodeListText;
  ComboBox3->SetOwnColor(colors::Info);
  ComboBox3->SetBounds(12, 44, 340, 22);
  Edit1->Text = gsm::kPlaceholderPhone;
  Edit1->SetBounds(12, 80, 160, 22);
  Button5->Caption = "Соединится";
  Button5->SetBounds(184, 76, 168, 28);
  Button6->Caption = "Разорвать связь";
  Button6->SetBounds(184, 110, 168, 28);
}

void TForm1::ConnectArcgsmHandlers() {
  Button14->OnClick = [this] { Button14Click(); };
  Button15->OnClick = [this] { Button15Click(); };
  Button11->OnClick = [this] { Button11Click(); };
  DateTimePicker1->OnChange = [this] { DateTimePicker1Change(); };
  ComboBox3->OnChange = [this] { ComboBox3Change(); };
  Button5->OnClick = [this] { Button5Click(); };
  Button6->OnClick = [this] { Button6Click(); };
  Timer3.OnTimer = [this] { RunHandler([this] { Timer3Timer(); }); };
  Timer4.OnTimer = [this] { RunHandler([this] { Timer4Timer(); }); };
  Timer5.OnTimer = [this] { RunHandler([this] { Timer5Timer(); }); };
}

void TForm1::FormCreate() {
  Nodes = gsm::ReadNodeDirectory(DataDir() + gsm::kNodeDirectoryFile);
  ComboBox3->Items = Nodes.NodeNames;
  ArchiveWindow::FormCreate();
  DateTimePicker1->Date = std::floor(loop.now());
  DateTimePicker1Change();
}

void TForm1::DateTimePicker1Change() {
  const DateTime picked = DecodeDateTime(DateTimePicker1->Date);
  PickedYear = static_cast<std::uint16_t>(picked.year);
  PickedMonth = static_cast<std::uint16_t>(picked.month);
  PickedDay = static_cast<std::uint16_t>(picked.day);
}

void TForm1::ComboBox3Change() {
  // A text typed into the list chooses no node: the number field stays as it is.
  const int i = ComboBox3->ItemIndex;
  if (i >= 0 && i < static_cast<int>(Nodes.NodePhones.size()))
    Edit1->Text = Nodes.NodePhones[static_cast<std::size_t>(i)];
}

void TForm1::Button14Click() {
  engine.ReadByMonths = 0;
  ReadByInterval = 1;
  Button11->Click();
}

void TForm1::Button15Click() {
  engine.ReadByMonths = 1;
  ReadByInterval = 0;
  Button11->Click();
}

void TForm1::Button11Click() {
  const archive::ArchiveRange range =
      engine.ReadByMonths ? archive::MonthsRange()
                          : archive::IntervalRange(PickedMonth, PickedDay, ComboBox2->Text);
  engine.StartOperation(archive::kReadArchive, range.start, range.end);
  CountOnGauge(range.records);
  ShowShortening(range.shortened);
}

void TForm1::ShowShortening(bool shortened) {
  if (shortened)
    StatusBar1->Panels[1] = archive::kIntervalShortened;
  else if (StatusBar1->Panels[1].get() == archive::kIntervalShortened)
    StatusBar1->Panels[1] = "";
}

void TForm1::Button5Click() {
  const std::string dial = gsm::DialText(ToCp1251(Edit1->Text.get()));
  MSComm1.InputMode = MSComm::comInputModeText;
  MSComm1.Output(dial);
  Timer3.SetEnabled(true);
  Memo1->Lines.Add(gsm::DialLogLine(Edit1->Text));
  Button5->Enabled = false;
}

void TForm1::Timer3Timer() {
  Timer3.SetEnabled(false);
  if (MSComm1.InBufferCount() > 0) {
    LogAnswer();
    LogAnswer();  // whatever arrived since the first read
  }
  MSComm1.InputMode = MSComm::comInputModeBinary;
  Button9->Click();  // console mode, now through the call
  EnableCallCommands(true);
}

void TForm1::Button6Click() {
  // Nothing may go out between the escape and the hang-up command: a running exchange ends
  // here, and the commands stay disabled until Stop.
  engine.Halt();
  EnableCallCommands(false);
  MSComm1.InputMode = MSComm::comInputModeBinary;
  MSComm1.Input();
  MSComm1.Output(gsm::kEscape);
  MSComm1.InputMode = MSComm::comInputModeText;
  Timer4.SetEnabled(true);
  Memo1->Lines.Add(gsm::kEscapeLogLine);
}

void TForm1::EndConnection() {
  // A call that is being made or is up is hung up, so that it does not go on after the
  // program; a hang-up under way ends in Stop by itself.
  if (Timer4.Enabled() || Timer5.Enabled()) return;
  if (Timer3.Enabled() || Button6->Enabled) {
    Timer3.SetEnabled(false);
    return Button6Click();
  }
  Button3->Click();
}

void TForm1::Timer4Timer() {
  Timer4.SetEnabled(false);
  if (MSComm1.InBufferCount() > 0) LogAnswer();
  MSComm1.InputMode = MSComm::comInputModeText;
  MSComm1.Output(gsm::kHangUpCommand);
  Memo1->Lines.Add(gsm::kHangUpLogLine);
  Timer5.SetEnabled(true);
}

void TForm1::Timer5Timer() {
  Timer5.SetEnabled(false);
  MSComm1.InputMode = MSComm::comInputModeBinary;
  Button3->Click();
}

void TForm1::LogAnswer() {
  for (const auto& line : gsm::AnswerLines(MSComm1.Input())) Memo1->Lines.Add(line);
}

void TForm1::EnableCallCommands(bool enabled) {
  for (auto* b : {Button14, Button15, Button1, Button7, Button10, Button6}) b->Enabled = enabled;
}

report::ExportOptions TForm1::ExportOptionsNow() const {
  return {ReadByInterval == 1, engine.ReadByMonths == 1, false};
}

// After the reports of an archive read the call ends: the hang-up, and Stop 6 s later.
void TForm1::AfterArchiveExport() { Button6->Click(); }

// The commands wait for the call: Start enables none of them here.
void TForm1::EnableAfterStart() {}

void TForm1::DisableAfterStop() {
  // No step of the call runs on a closed port.
  Timer3.SetEnabled(false);
  Timer4.SetEnabled(false);
  Timer5.SetEnabled(false);
  EnableCallCommands(false);
}

}  // namespace arcgsm

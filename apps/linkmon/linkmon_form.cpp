#include "apps/linkmon/linkmon_form.h"

#include <initializer_list>
#include <utility>

namespace linkmon {
namespace {

const std::vector<std::string> kLineSettings = {
    "600,N,8,1",   "1200,N,8,1",  "2400,N,8,1",  "4800,N,8,1",  "9600,N,8,1",
    "19200,N,8,1", "38400,N,8,1", "57600,N,8,1", "115200,N,8,1"};

std::vector<std::string> Addresses() {
  std::vector<std::string> items;
  for (int a = 0; a <= 255; ++a) items.push_back(std::to_string(a));
  return items;
}

Font GroupFont() { return {.bold = true}; }
Font StartStopFont() {
  return {.pixels = 16, .color = colors::Navy, .bold = true, .italic = true};
}
Font ValueFont() { return {.pixels = 16, .color = colors::Red}; }

void Place(Control& c, int left, int top, int width, int height, const std::string& caption) {
  c.SetBounds(left, top, width, height);
  c.Caption = caption;
}

void MakeList(ComboBox& list, int top, std::vector<std::string> items, int itemIndex) {
  list.SetBounds(128, top, 98, 21);
  list.Font.pixels = 12;  // "115200,N,8,1" fits beside its label
  list.SetOwnColor(colors::Info);
  list.Items = std::move(items);
  list.ItemIndex = itemIndex;
  list.Text = list.Items.get()[static_cast<std::size_t>(itemIndex)];
}

void MakeShadow(Shape& shadow, int left, int top, int width, int height) {
  shadow.SetBounds(left + 6, top + 6, width, height);
  shadow.Brush = colors::Black;
  shadow.Pen = colors::Gray;
}

}  // namespace

TForm1::TForm1(EventLoop& loop, DeviceFactory ports, std::vector<std::string> portItems)
    : Form("VIVUVURUZA TM517 СВЯЗЬ V2006.02.28", 540, 434),
      Timer1(loop, 500, false),
      Timer2(loop, 10, false),
      MSComm1(std::move(ports)),
      Poll(loop, monitor::MonitorControls{MSComm1, Timer1, Timer2, *Button2, *Button1, *ComboBox10,
                                          *ComboBox11, *ComboBox1, *StatusBar1, *Gauge1,
                                          {*Label1, *Label2, *Label5, *Label12, *Shape1, *Label6,
                                           *Label7, *Label8, *Label13, *Shape2}}) {
  BackColor = colors::Teal;
  hatched = true;
  Panel1->SetBounds(22, 12, 495, 386);
  Panel1->bevel = Panel::Bevel::Raised;
  Panel1->SetOwnColor(colors::Face);  // the hatch shows around the panel, not inside it

  LayOutSettings(std::move(portItems));
  LayOutButtons();
  LayOutChannel(*GroupBox1, "Канал №1", 21, *Shape4, *Shape1, *Label12);
  LayOutRow(*Panel2, 54, *Label9, "ТЕКУЩЕЕ", *Label1);
  LayOutRow(*Panel3, 96, *Label10, "СЧЕТЧИК", *Label2);
  LayOutRow(*Panel4, 138, *Label11, "НАРАБОТКА", *Label5);
  LayOutChannel(*GroupBox2, "Канал №2", 255, *Shape5, *Shape2, *Label13);
  LayOutRow(*Panel5, 54, *Label14, "ТЕКУЩЕЕ", *Label6);
  LayOutRow(*Panel6, 96, *Label16, "СЧЕТЧИК", *Label7);
  LayOutRow(*Panel7, 138, *Label18, "НАРАБОТКА", *Label8);

  StatusBar1->Panels[0] = "Запрос-Ответ";
  StatusBar1->Panels[1] = "Статус";
  StatusBar1->PanelWidths = {150, 0};

  Button2->OnClick = [this] { Poll.Button2Click(); };
  Button1->OnClick = [this] { Poll.Button1Click(); };
  Button15->OnClick = [this] { Poll.Button15Click(); };
  RadioButton1->OnClick = [this] { RadioButton1Click(); };
  RadioButton2->OnClick = [this] { RadioButton2Click(); };
  RadioButton3->OnClick = [this] { RadioButton3Click(); };
  RadioButton4->OnClick = [this] { RadioButton4Click(); };
  OnDeactivate = [this] { Poll.FormDeactivate(); };
}

void TForm1::LayOutSettings(std::vector<std::string> portItems) {
  MakeShadow(*Shape3, 20, 16, 450, 123);
  Place(*GroupBox3, 20, 16, 450, 123, "Параметры связи");
  GroupBox3->Font = GroupFont();
  GroupBox3->SetOwnColor(colors::Face);

  Place(*Label3, 4, 24, 0, 0, "Скорость обмена :");
  MakeList(*ComboBox10, 20, kLineSettings, 8);
  Place(*Label4, 4, 52, 0, 0, "Адрес прибора :");
  MakeList(*ComboBox11, 48, Addresses(), 0);
  Place(*Label17, 4, 80, 0, 0, "№ порта RS232 :");
  MakeList(*ComboBox1, 76, std::move(portItems), 0);

  Place(*Label15, 229, 56, 0, 0, "Период опроса(сек) :");
  Label15->Font.underline = true;
  int left = 229;
  for (auto [radio, caption] : {std::pair{RadioButton1, "0,1"}, {RadioButton2, "0,2"},
                                {RadioButton3, "0,5"}, {RadioButton4, "1,0"}}) {
    Place(*radio, left, 74, 50, 17, caption);
    left += 52;
  }
  RadioButton3->Checked = true;

  Gauge1->SetBounds(229, 97, 206, 16);
  Gauge1->Font = GroupFont();
  Gauge1->MinValue = 0;
  Gauge1->MaxValue = 11;
  Gauge1->ForeColor = colors::Navy;
}

void TForm1::LayOutButtons() {
  Place(*Button2, 249, 38, 101, 28, "Старт");
  Place(*Button1, 354, 38, 101, 28, "Стоп");
  Button2->Font = Button1->Font = StartStopFont();
  Button1->Enabled = false;
  Place(*Button15, 249, 70, 101, 25, "ModBus 0");
  Button15->Visible = false;
}

void TForm1::LayOutChannel(GroupBox& group, const char* caption, int left, Shape& shadow,
                           Shape& lamp, Label& lampText) {
  MakeShadow(shadow, left, 165, 222, 185);
  Place(group, left, 165, 222, 185, caption);
  group.Font = GroupFont();
  group.SetOwnColor(colors::Face);
  lamp.form = Shape::Form::Circle;
  lamp.SetBounds(14, 22, 22, 22);
  lamp.Brush = colors::Red;
  Place(lampText, 44, 26, 0, 0, "- ОТКАЗ");
  lampText.Font = GroupFont();
}

void TForm1::LayOutRow(Panel& row, int top, Label& caption, const char* text, Label& value) {
  row.SetBounds(4, top, 214, 37);
  row.bevel = Panel::Bevel::Lowered;
  Place(caption, 4, 12, 0, 0, text);
  Place(value, 90, 4, 120, 29, "0");
  value.Font = ValueFont();
  value.Transparent = false;
  value.SetOwnColor(colors::Maroon);
}

void TForm1::RadioButton1Click() { ChoosePeriod(*RadioButton1, 100); }
void TForm1::RadioButton2Click() { ChoosePeriod(*RadioButton2, 200); }
void TForm1::RadioButton3Click() { ChoosePeriod(*RadioButton3, 500); }
void TForm1::RadioButton4Click() { ChoosePeriod(*RadioButton4, 1000); }

// Takes effect at once, also while polling.
void TForm1::ChoosePeriod(RadioButton& chosen, int intervalMs) {
  for (RadioButton* radio : {RadioButton1, RadioButton2, RadioButton3, RadioButton4})
    radio->Checked = radio == &chosen;
  Timer1.SetInterval(intervalMs);
}

}  // namespace linkmon

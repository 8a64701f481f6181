// The Qt window of a form: widgets at their controls' places, both ways of binding, hidden
// controls, the error report, deactivation, the window picture, and the port list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/qt/port_list.h"
#include "platform/qt/qt_app.h"
#include "platform/qt/qt_window.h"

using namespace platform;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "window_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);  // lives until the process ends
    PrepareWindowApplication(*a);
    return a;
  }();
  return *app;
}

Font Bold(Color color, int pixels = 13, bool italic = false) {
  Font f;
  f.pixels = pixels;
  f.color = color;
  f.bold = true;
  f.italic = italic;
  return f;
}

// A form with one control of each kind, laid out like the programs' windows, some hidden.
struct DemoForm : Form {
  DemoForm() : Form("Окно проверки TM517", 540, 364) {
    hatched = true;
    BackColor = colors::Teal;

    Panel1 = add<Panel>("Panel1", nullptr);
    Panel1->bevel = Panel::Bevel::Raised;
    Panel1->ParentColor = false;
    Panel1->SetBounds(12, 10, 516, 322);

    GroupBox1 = add<GroupBox>("GroupBox1", Panel1);
    GroupBox1->Caption = "Параметры связи";
    GroupBox1->Font = Bold(colors::Navy);
    GroupBox1->SetBounds(16, 14, 236, 132);
    // Created after the group, yet a graphic control: it must lie beneath the group.
    Shadow = add<Shape>("Shadow", Panel1);
    Shadow->Brush = colors::Black;
    Shadow->Pen = colors::Gray;
    Shadow->SetBounds(20, 18, 236, 132);

    Label1 = add<Label>("Label1", GroupBox1);
    Label1->Caption = "Скорость обмена :";
    Label1->SetBounds(8, 24, 0, 21);
    ComboBox1 = add<ComboBox>("ComboBox1", GroupBox1);
    ComboBox1->Items = {"9600,N,8,1", "19200,N,8,1", "115200,N,8,1"};
    ComboBox1->Choose(2);
    ComboBox1->Color = colors::Info;
    ComboBox1->ParentColor = false;
    ComboBox1->SetBounds(124, 24, 104, 21);
    RadioButton1 = add<RadioButton>("RadioButton1", GroupBox1);
    RadioButton1->Caption = "0,1";
    RadioButton1->SetBounds(8, 56, 48, 17);
    RadioButton2 = add<RadioButton>("RadioButton2", GroupBox1);
    RadioButton2->Caption = "0,5";
    RadioButton2->Checked = true;
    RadioButton2->SetBounds(64, 56, 48, 17);
    for (RadioButton* r : {RadioButton1, RadioButton2})
      r->OnClick = [this, r] { (r == RadioButton1 ? RadioButton2 : RadioButton1)->Checked = false; };
    CheckBox1 = add<CheckBox>("CheckBox1", GroupBox1);
    CheckBox1->Caption = "Обмен";
    CheckBox1->Visible = false;
    CheckBox1->SetBounds(124, 56, 80, 17);
    CheckBox2 = add<CheckBox>("CheckBox2", GroupBox1);
    CheckBox2->Caption = "Журнал";
    CheckBox2->SetBounds(124, 56, 90, 17);
    Gauge1 = add<Gauge>("Gauge1", GroupBox1);
    Gauge1->MaxValue = 11;
    Gauge1->Font = Bold(colors::Black);
    Gauge1->SetBounds(8, 92, 220, 22);

    Button1 = add<Button>("Button1", Panel1);
    Button1->Caption = "Старт";
    Button1->Font = Bold(colors::Navy, 16, true);
    Button1->SetBounds(262, 18, 110, 28);
    Button2 = add<Button>("Button2", Panel1);
    Button2->Caption = "Стоп";
    Button2->Font = Bold(colors::Navy, 16, true);
    Button2->Enabled = false;
    Button2->SetBounds(384, 18, 110, 28);
    Button3 = add<Button>("Button3", Panel1);
    Button3->Caption = "Режим пульта";
    Button3->Visible = false;
    Button3->SetBounds(262, 56, 110, 25);

    Edit1 = add<Edit>("Edit1", Panel1);
    Edit1->Text = "2006_01_12_20_16";
    Edit1->SetBounds(262, 56, 120, 22);
    DatePicker1 = add<DatePicker>("DatePicker1", Panel1);
    DatePicker1->Date = EncodeDateTime({2009, 8, 15});
    DatePicker1->SetBounds(394, 56, 100, 22);

    Lamp = add<Shape>("Lamp", Panel1);
    Lamp->form = Shape::Form::Circle;
    Lamp->Brush = colors::Red;
    Lamp->SetBounds(262, 98, 18, 18);
    Label2 = add<Label>("Label2", Panel1);
    Label2->Caption = "- ОТКАЗ";
    Label2->SetBounds(286, 98, 0, 18);
    Label3 = add<Label>("Label3", Panel1);
    Label3->Caption = "12345,67";
    Label3->Font = Bold(colors::Red, 16);
    Label3->Transparent = false;
    Label3->ParentColor = false;
    Label3->Color = colors::Maroon;
    Label3->SetBounds(374, 92, 120, 29);

    Panel2 = add<Panel>("Panel2", Panel1);
    Panel2->Visible = false;
    Panel2->SetBounds(262, 124, 232, 22);
    Button4 = add<Button>("Button4", Panel2);
    Button4->Caption = "Внутри скрытой панели";
    Button4->SetBounds(0, 0, 232, 22);

    Memo1 = add<Memo>("Memo1", Panel1);
    Memo1->Font.name = "Courier New";
    Memo1->Font.pixels = 11;
    Memo1->SetBounds(16, 160, 484, 148);
    Memo1->Lines.Add("Канал 1: расход   12,345 м3/ч");
    Memo1->Lines.Add("Канал 2: расход    0,000 м3/ч");

    // No colour of its own, on the hatched form, not on the hatch's 8-pixel grid.
    Panel3 = add<Panel>("Panel3", nullptr);
    Panel3->SetBounds(2, 322, 8, 8);

    StatusBar1 = add<StatusBar>("StatusBar1", nullptr);
    StatusBar1->Panels[0] = "Запрос-Ответ";
    StatusBar1->Panels[1] = "Статус";
  }

  Panel *Panel1, *Panel2, *Panel3;
  GroupBox* GroupBox1;
  Shape *Shadow, *Lamp;
  Label *Label1, *Label2, *Label3;
  ComboBox* ComboBox1;
  RadioButton *RadioButton1, *RadioButton2;
  CheckBox *CheckBox1, *CheckBox2;
  Gauge* Gauge1;
  Button *Button1, *Button2, *Button3, *Button4;
  Edit* Edit1;
  DatePicker* DatePicker1;
  Memo* Memo1;
  StatusBar* StatusBar1;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    SetErrorReporter([this](const Error& e) { reported.push_back(e.what()); });
    window = std::make_unique<QtWindow>(form);
    window->show();
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    SetErrorReporter([](const Error& e) { std::cerr << e.what() << "\n"; });
  }

  template <class W>
  W* shown(const Control* control) const {
    return qobject_cast<W*>(window->widgetOf(*control));
  }

  DemoForm form;
  std::unique_ptr<QtWindow> window;
  std::vector<std::string> reported;
};

// The text a widget shows, whatever its kind.
QString ShownText(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  return {};
}

TEST_F(WindowTest, IsAFixedSizeCentredWindowWithTheFormsCaption) {
  QWidget& w = window->widget();
  EXPECT_EQ(w.windowTitle(), QString("Окно проверки TM517"));
  EXPECT_EQ(w.size(), QSize(540, 364));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((w.geometry().center() - screenCentre).manhattanLength(), 1);
}

TEST_F(WindowTest, WidgetsSitAtTheirControlsPlacesWithTheirCaptions) {
  struct Case {
    const Control* control;
    const Control* parent;
    QRect place;
    QString text;
  };
  const Case cases[] = {
      {form.Panel1, nullptr, {12, 10, 516, 322}, ""},
      {form.GroupBox1, form.Panel1, {16, 14, 236, 132}, "Параметры связи"},
      {form.ComboBox1, form.GroupBox1, {124, 24, 104, 21}, "115200,N,8,1"},
      {form.RadioButton2, form.GroupBox1, {64, 56, 48, 17}, "0,5"},
      {form.Button1, form.Panel1, {262, 18, 110, 28}, "Старт"},
      {form.Edit1, form.Panel1, {262, 56, 120, 22}, "2006_01_12_20_16"},
      {form.Label3, form.Panel1, {374, 92, 120, 29}, "12345,67"},
      {form.Button4, form.Panel2, {0, 0, 232, 22}, "Внутри скрытой панели"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control->Name);
    QWidget* w = window->widgetOf(*c.control);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName().toStdString(), c.control->Name);
    EXPECT_EQ(w->parentWidget(), c.parent ? window->widgetOf(*c.parent) : &window->widget());
    EXPECT_EQ(w->geometry(), c.place);
    EXPECT_EQ(ShownText(w), c.text);
  }
  // A label of no given width is as wide as its text; the status bar spans the bottom.
  auto* label = shown<QLabel>(form.Label1);
  EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
  EXPECT_EQ(window->widgetOf(*form.StatusBar1)->geometry().bottomRight(), QPoint(539, 363));
}

TEST_F(WindowTest, HiddenControlsAreNeverShown) {
  const Control* hidden[] = {form.Button3, form.CheckBox1, form.Panel2, form.Button4};
  auto expectHidden = [&](const char* after) {
    SCOPED_TRACE(after);
    for (const Control* c : hidden) EXPECT_FALSE(window->widgetOf(*c)->isVisible()) << c->Name;
    EXPECT_TRUE(window->widgetOf(*form.Button1)->isVisible());
  };
  expectHidden("show");

  form.Panel1->Visible = false;
  form.Panel1->Visible = true;
  form.GroupBox1->Enabled = false;
  form.GroupBox1->Enabled = true;
  form.Button4->Caption = "Новый текст";
  form.Button4->Visible = true;  // its panel stays hidden
  form.Button3->SetBounds(10, 10, 100, 25);
  form.CheckBox1->Checked = true;
  form.Button2->Enabled = true;
  window->flush();
  QCoreApplication::processEvents();
  expectHidden("changes to other controls");

  window->widget().hide();
  window->show();
  QCoreApplication::processEvents();
  expectHidden("showing the window again");

  form.Button3->Visible = true;
  window->flush();
  EXPECT_TRUE(window->widgetOf(*form.Button3)->isVisible());
}

TEST_F(WindowTest, ModelChangesReachTheWidgets) {
  int changes = 0;
  form.ComboBox1->OnChange = form.Edit1->OnChange = form.DatePicker1->OnChange = [&] { ++changes; };

  form.Button1->Caption = "Пуск";
  form.Button1->Enabled = false;
  window->flush();  // the second change of a frame waits for its end
  EXPECT_EQ(shown<QPushButton>(form.Button1)->text(), QString("Пуск"));
  EXPECT_FALSE(shown<QPushButton>(form.Button1)->isEnabled());

  form.Gauge1->Progress = 6;
  auto* gauge = shown<QProgressBar>(form.Gauge1);
  EXPECT_EQ(gauge->value(), 6);
  EXPECT_EQ(gauge->text(), QString("54%"));
  form.Gauge1->MaxValue = 12800;
  form.Gauge1->Progress = 12800;
  window->flush();
  EXPECT_EQ(gauge->text(), QString("100%"));

  for (int i = 0; i < 40; ++i) form.Memo1->Lines.Add("Строка " + std::to_string(i));
  window->flush();
  auto* memo = shown<QPlainTextEdit>(form.Memo1);
  EXPECT_EQ(memo->document()->blockCount(), 42);
  EXPECT_EQ(memo->document()->lastBlock().text(), QString("Строка 39"));
  EXPECT_EQ(memo->verticalScrollBar()->value(), memo->verticalScrollBar()->maximum());

  form.StatusBar1->Panels[1] = "Порт открыт";
  const auto panels = window->widgetOf(*form.StatusBar1)->findChildren<QLabel*>();
  ASSERT_EQ(panels.size(), 2);
  EXPECT_EQ(panels[1]->text(), QString("Порт открыт"));
  EXPECT_EQ(panels[0]->width(), 150);

  auto* combo = shown<QComboBox>(form.ComboBox1);
  form.ComboBox1->Items = {"1", "2", "3"};
  form.ComboBox1->ItemIndex = 1;
  form.ComboBox1->Text = "2";
  window->flush();
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(2), QString("3"));
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(combo->currentText(), QString("2"));
  form.ComboBox1->Text = "COM7";  // a text of no item
  window->flush();
  EXPECT_EQ(combo->currentText(), QString("COM7"));

  form.Edit1->Text = "2009_08_15_12_00";
  EXPECT_EQ(shown<QLineEdit>(form.Edit1)->text(), QString("2009_08_15_12_00"));
  form.DatePicker1->Date = EncodeDateTime({2024, 2, 29, 13, 30, 0, 0});
  EXPECT_EQ(shown<QDateEdit>(form.DatePicker1)->date(), QDate(2024, 2, 29));
  form.CheckBox2->Checked = true;
  EXPECT_TRUE(shown<QCheckBox>(form.CheckBox2)->isChecked());
  EXPECT_EQ(changes, 0) << "changes made by the program run no change handler";

  form.Label3->Caption = "1234567890,123";
  EXPECT_GE(shown<QLabel>(form.Label3)->width(),
            shown<QLabel>(form.Label3)->fontMetrics().horizontalAdvance("1234567890,123"));

  QWidget* lamp = window->widgetOf(*form.Lamp);
  const QPoint centre = lamp->rect().center();
  EXPECT_EQ(lamp->grab().toImage().pixelColor(centre), QColor(Qt::red));
  form.Lamp->Brush = colors::Lime;
  EXPECT_EQ(lamp->grab().toImage().pixelColor(centre), QColor(Qt::green));
}

// A read changes the gauge and the status text with every record: the first change is shown at
// once, those that follow within the frame only at its end, with what the control holds then.
TEST_F(WindowTest, ChangesWithinAFrameAreShownTogetherAtItsEnd) {
  auto* gauge = shown<QProgressBar>(form.Gauge1);
  const auto panels = window->widgetOf(*form.StatusBar1)->findChildren<QLabel*>();
  ASSERT_EQ(panels.size(), 2);
  form.Gauge1->Progress = 1;
  form.StatusBar1->Panels[0] = "Запрос";
  EXPECT_EQ(gauge->value(), 1);
  EXPECT_EQ(panels[0]->text(), QString("Запрос"));

  for (int record = 2; record <= 9; ++record) {
    form.StatusBar1->Panels[0] = "Запрос";
    form.StatusBar1->Panels[0] = "Получено";
    form.Gauge1->Progress = record;
  }
  EXPECT_EQ(gauge->value(), 1);
  EXPECT_EQ(panels[0]->text(), QString("Запрос"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return gauge->value() == 9; }, 1000));
  EXPECT_EQ(panels[0]->text(), QString("Получено"));

  form.Gauge1->Progress = 10;
  EXPECT_EQ(gauge->value(), 9) << "shown at the end of the frame, so this is within the next";
  EXPECT_TRUE(QTest::qWaitFor([&] { return gauge->value() == 10; }, 1000));
}

TEST_F(WindowTest, OperatorActionsReachTheModel) {
  int clicks = 0, comboChanges = 0, editChanges = 0, dateChanges = 0;
  form.Button1->OnClick = [&] { ++clicks; };
  form.Button2->OnClick = [&] { ++clicks; };
  form.ComboBox1->OnChange = [&] { ++comboChanges; };
  form.Edit1->OnChange = [&] { ++editChanges; };
  form.DatePicker1->OnChange = [&] { ++dateChanges; };

  QTest::mouseClick(shown<QPushButton>(form.Button1), Qt::LeftButton);
  QTest::mouseClick(shown<QPushButton>(form.Button2), Qt::LeftButton);  // disabled
  EXPECT_EQ(clicks, 1);

  auto* combo = shown<QComboBox>(form.ComboBox1);
  QTest::keyClick(combo, Qt::Key_Up);
  EXPECT_EQ(form.ComboBox1->ItemIndex, 1);
  EXPECT_EQ(form.ComboBox1->Text.get(), "19200,N,8,1");
  EXPECT_EQ(comboChanges, 1);

  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), "4800");
  EXPECT_EQ(form.ComboBox1->ItemIndex, -1);
  EXPECT_EQ(form.ComboBox1->Text.get(), "4800");
  EXPECT_EQ(combo->currentText(), QString("4800"));
  EXPECT_EQ(comboChanges, 5);

  auto* edit = shown<QLineEdit>(form.Edit1);
  edit->end(false);
  QTest::keyClicks(edit, "_x");
  EXPECT_EQ(form.Edit1->Text.get(), "2006_01_12_20_16_x");
  EXPECT_EQ(editChanges, 2);

  QTest::mouseClick(shown<QRadioButton>(form.RadioButton1), Qt::LeftButton);
  EXPECT_TRUE(form.RadioButton1->Checked);
  EXPECT_FALSE(form.RadioButton2->Checked);
  window->flush();
  EXPECT_FALSE(shown<QRadioButton>(form.RadioButton2)->isChecked());
  QTest::mouseClick(shown<QRadioButton>(form.RadioButton1), Qt::LeftButton);
  EXPECT_TRUE(shown<QRadioButton>(form.RadioButton1)->isChecked()) << "a second click keeps it";

  QTest::mouseClick(shown<QCheckBox>(form.CheckBox2), Qt::LeftButton);
  EXPECT_TRUE(form.CheckBox2->Checked);

  shown<QDateEdit>(form.DatePicker1)->setDate(QDate(2010, 3, 5));
  EXPECT_EQ(form.DatePicker1->Date.get(), EncodeDateTime({2010, 3, 5}));
  EXPECT_EQ(dateChanges, 1);
}

TEST_F(WindowTest, AFailingClickHandlerIsReportedAndTheProgramGoesOn) {
  int attempts = 0;
  form.Button1->OnClick = [&] {
    ++attempts;
    if (attempts == 1) throw FileError("Нет доступа к файлу");
    throw std::runtime_error("other failure");
  };
  auto* button = shown<QPushButton>(form.Button1);
  EXPECT_NO_THROW(QTest::mouseClick(button, Qt::LeftButton));
  EXPECT_NO_THROW(QTest::mouseClick(button, Qt::LeftButton));
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(reported, (std::vector<std::string>{"Нет доступа к файлу", "other failure"}));
}

TEST_F(WindowTest, TheMessageBoxReporterShowsTheErrorsMessage) {
  InstallMessageBoxErrorReporter(&window->widget());
  form.Button1->OnClick = [] { throw PortError("Порт занят"); };
  QString shownMessage;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shownMessage = box->text();
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    box->accept();
  });
  QTest::mouseClick(shown<QPushButton>(form.Button1), Qt::LeftButton);
  EXPECT_EQ(shownMessage, QString("Порт занят"));
}

TEST_F(WindowTest, DeactivatesOnlyWhenAnotherWindowOfTheProgramTakesTheFocus) {
  int deactivations = 0;
  form.OnDeactivate = [&] { ++deactivations; };
  window->widget().activateWindow();
  QCoreApplication::processEvents();
  ASSERT_TRUE(window->widget().isActiveWindow());

  auto* combo = shown<QComboBox>(form.ComboBox1);
  combo->showPopup();
  QCoreApplication::processEvents();
  combo->hidePopup();
  QCoreApplication::processEvents();
  EXPECT_EQ(deactivations, 0) << "a list dropping down";

  QWidget other;
  other.show();
  other.activateWindow();
  QCoreApplication::processEvents();
  EXPECT_EQ(deactivations, 1);

  window->widget().activateWindow();
  QCoreApplication::processEvents();
  EXPECT_EQ(deactivations, 1);
}

TEST_F(WindowTest, GraphicControlsLieBeneathTheWindowedControlsOfTheirParent) {
  QWidget* panel = window->widgetOf(*form.Panel1);
  const QPoint overlap(100, 100);  // inside both the group and its shadow
  EXPECT_EQ(panel->childAt(overlap), window->widgetOf(*form.GroupBox1));
  const QPoint shadowOnly(254, 148);
  EXPECT_EQ(panel->childAt(shadowOnly), window->widgetOf(*form.Shadow));
}

TEST_F(WindowTest, ControlsWithoutAColourOfTheirOwnShowTheirParents) {
  const QImage picture = window->widget().grab().toImage();
  // The group takes the panel's colour, also where the shadow lies beneath it.
  QWidget* group = window->widgetOf(*form.GroupBox1);
  const QPoint overShadow = group->mapTo(&window->widget(), QPoint(group->width() - 3, 6));
  EXPECT_EQ(picture.pixelColor(overShadow), QColor(0xF0, 0xF0, 0xF0));
  // The hatch runs on across a panel: its pixels repeat those 8 pixels above it.
  const QRect panel = window->widgetOf(*form.Panel3)->geometry();
  int differing = 0;
  std::set<QRgb> colours;
  for (int y = panel.top(); y <= panel.bottom(); ++y)
    for (int x = panel.left(); x <= panel.right(); ++x) {
      differing += picture.pixel(x, y) != picture.pixel(x, y - 8);
      colours.insert(picture.pixel(x, y));
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(colours.size(), 1u) << "the hatch is there";
}

TEST_F(WindowTest, SavesAPictureOfTheWindow) {
  form.Gauge1->Progress = 6;
  form.Button2->Enabled = true;
  form.Button1->Enabled = false;
  form.StatusBar1->Panels[0] = "#00Z1B";
  form.StatusBar1->Panels[1] = "Опрос прибора";
  const std::filesystem::path dir = TM_ARTIFACTS_DIR;
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "window_demo.png").string();
  ASSERT_TRUE(SaveWindowPicture(*window, path));

  std::ifstream file(path, std::ios::binary);
  char signature[8] = {};
  file.read(signature, sizeof signature);
  EXPECT_EQ(std::string(signature, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(540, 364));
  EXPECT_FALSE(SaveWindowPicture(*window, (dir / "no such folder" / "x.png").string()));
}

TEST_F(WindowTest, AClosedWindowLeavesTheFormUsable) {
  window.reset();
  for (const auto& c : form.controls()) EXPECT_FALSE(c->OnChanged) << c->Name;
  form.Button1->Caption = "Пуск";
  form.Memo1->Lines.Add("после окна");
  EXPECT_EQ(form.Memo1->Lines.size(), 3u);
}

TEST(PortList, LeavesOutTheNumberedPortsAndSortsByNameAndNumber) {
  EXPECT_EQ(PortListDevices({"/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyS8", "/dev/ttyS9",
                             "/dev/ttyUSB2", "/dev/ttyACM0", "/dev/ttyS10", "/dev/ttyUSB2"}),
            (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS9", "/dev/ttyS10", "/dev/ttyUSB2",
                                      "/dev/ttyUSB10"}));
  EXPECT_TRUE(PortListDevices({}).empty());
}

TEST(PortList, TheMachinesPortsAreListedWithoutTheNumberedOnes) {
  const auto found = SerialDevicesFound();
  EXPECT_EQ(PortListDevices(found), found);
  for (const auto& path : found) EXPECT_EQ(path.rfind("/dev/", 0), 0u) << path;
}

}  // namespace

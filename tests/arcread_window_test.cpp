// arcread's window on the offscreen platform: every control with its caption, the hidden ones
// never shown, Start and Stop from the buttons, and a picture for people to look at.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <filesystem>

#include "apps/arcread/arcread_form.h"
#include "platform/qt/qt_app.h"
#include "platform/qt/qt_window.h"
#include "sim/line_sim.h"

using namespace platform;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "arcread_window_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    PrepareWindowApplication(*a);
    return a;
  }();
  return *app;
}

QString TextOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  return w->property("title").toString();
}

}  // namespace

TEST(ArcreadWindow, ShowsEveryControlAndRunsStartAndStop) {
  App();
  VirtualLoop loop;
  sim::SimulatedLine line(loop);
  const std::string dir = (std::filesystem::temp_directory_path() / "arcread_window_test/").string();
  arcread::TForm1 form(loop, line.factory(), dir);
  QtWindow window(form);
  window.show();
  QApplication::processEvents();

  EXPECT_EQ(window.widget().windowTitle().toStdString(), "VIVUVURUZA TM517 АРХИВ V2006.11.14");
  const std::pair<const char*, const char*> captions[] = {
      {"Button2", "Старт"}, {"Button3", "Стоп"}, {"GroupBox16", "Параметры связи"},
      {"Label3", "Скорость обмена :"}, {"Label4", "Адрес прибора :"}, {"Label2", "№ порта RS232:"},
      {"ComboBox10", "115200,N,8,1"}, {"ComboBox11", "0"}, {"ComboBox1", "1"},
      {"GroupBox3", "Время:"}, {"Button7", "Считать время прибора"},
      {"Button10", "Установить время ПК в прибор"}, {"GroupBox1", "Архив:"},
      {"Button11", "Считать архив в файл:"}, {"Label6", "Файл :"},
      {"GroupBox2", "Параметры GSM:"}, {"Label1", "Цикл+тел.GSM1+тел.GSM2+тел.GSM3"},
      {"Button5", "Записать"}, {"Button6", "Считать параметры GSM"},
      {"Button1", "Считать параметры прибора"}};
  for (const auto& [name, caption] : captions) {
    QWidget* w = window.widgetOf(*form.find(name));
    ASSERT_NE(w, nullptr) << name;
    EXPECT_TRUE(w->isVisible()) << name;
    EXPECT_EQ(TextOf(w).toStdString(), caption) << name;
  }
  const auto hiddenOnesStayHidden = [&] {
    for (const char* name : {"Button9", "Button8", "Button4", "Button12", "Button13", "CheckBox4"}) {
      QWidget* w = window.widgetOf(*form.find(name));
      EXPECT_TRUE(w == nullptr || !w->isVisible()) << name;
    }
  };
  hiddenOnesStayHidden();

  auto* start = qobject_cast<QAbstractButton*>(window.widgetOf(*form.Button2));
  start->click();
  QApplication::processEvents();
  EXPECT_FALSE(start->isEnabled());
  EXPECT_TRUE(window.widgetOf(*form.Button3)->isEnabled());
  EXPECT_TRUE(window.widgetOf(*form.Button11)->isEnabled());
  EXPECT_FALSE(window.widgetOf(*form.ComboBox1)->isEnabled());
  hiddenOnesStayHidden();
  form.Memo1->Lines.Add("                1-канал  2-канал");
  form.StatusBar1->Panels[0] = "Обмен с прибором завершен";
  form.Label70->Caption = "2009.08.15 14:05";
  form.Gauge1->Progress = 6400;
  QApplication::processEvents();
  std::filesystem::create_directories(TM_ARTIFACTS_DIR);
  EXPECT_TRUE(SaveWindowPicture(window, std::string(TM_ARTIFACTS_DIR) + "/arcread.png"));

  qobject_cast<QAbstractButton*>(window.widgetOf(*form.Button3))->click();
  window.flush();
  EXPECT_TRUE(start->isEnabled());
  std::filesystem::remove_all(dir);
}

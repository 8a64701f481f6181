// arcgsm end to end: a whole call over a pseudo-terminal to the simulated modem and meter,
// its usage errors, and its window rendered offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "apps/arcgsm/arcgsm_form.h"
#include "platform/qt/qt_app.h"
#include "platform/qt/qt_window.h"
#include "platform/text.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"

namespace {

const QString kArcgsm = TM_BIN_DIR "/arcgsm";
const QString kSimulator = TM_BIN_DIR "/tm517sim";

struct Finished {
  int status;
  QString out, err;
};

Finished RunArcgsm(const QStringList& args, int limitMs = 10000) {
  QProcess arcgsm;
  arcgsm.start(kArcgsm, args);
  EXPECT_TRUE(arcgsm.waitForFinished(limitMs));
  return {arcgsm.exitCode(), QString::fromUtf8(arcgsm.readAllStandardOutput()),
          QString::fromUtf8(arcgsm.readAllStandardError())};
}

std::string FreshDataDir(const std::string& name, const std::string& iniUtf8 = {}) {
  const auto dir = std::filesystem::temp_directory_path() / ("arcgsm_e2e_" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  if (!iniUtf8.empty())
    std::ofstream(dir / "gsm_csd.ini", std::ios::binary) << platform::ToCp1251(iniUtf8);
  return dir.string();
}

const char* const kTwoNodes =
    "[baza]\r\nkol_uzlov=2\r\ntel_1=+79001110001\r\nname_u1=Котельная №1\r\n"
    "tel_2=+79001110002\r\nname_u2=Школа\r\n";

class ArcgsmTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "arcgsm_e2e_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
      static QApplication app(argc, argv);
      platform::PrepareWindowApplication(app);
    }
  }
};

}  // namespace

// Takes about 37 s of real time: the 30 s answer wait and the 6 s hang-up are the program's.
TEST_F(ArcgsmTest, CallsReadsOneDayWritesTheHourlyReportsAndHangsUp) {
  QProcess simulator;
  simulator.start(kSimulator, {"--modem"});
  ASSERT_TRUE(simulator.waitForReadyRead(5000));
  const QString pty = QString::fromUtf8(simulator.readLine()).trimmed();
  ASSERT_TRUE(pty.startsWith("/dev/")) << pty.toStdString();
  const std::string data = FreshDataDir("call");

  QElapsedTimer clock;
  clock.start();
  const auto run = RunArcgsm({"--port", pty, "--phone", "79001234567", "--read-interval",
                              "--days", "0", "--data-dir", QString::fromStdString(data),
                              "--stamp", "e2e"},
                             60000);
  std::cout << "arcgsm call and read of one day: " << clock.elapsed() << " ms" << std::endl;
  simulator.terminate();
  simulator.waitForFinished(5000);

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n');
  for (const char* line : {"Соединение с 79001234567 ~30c ", "CONNECT 9600",
                           "Архивы записаны на диск:", "Разрыв  ~5c ", "OK", "ОК "})
    EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line << "\n" << run.out.toStdString();
  EXPECT_LT(lines.indexOf("Архивы записаны на диск:"), lines.indexOf("Разрыв  ~5c "));
  for (const char* file : {"arc/e2e_chas.txt", "arc/e2e_sut.txt", "arc/dop/e2e_sch.txt",
                           "arc/graf/e2e_chas_1.txt", "arc/graf/e2e_chas_2.txt",
                           "arc/graf/e2e_sut_1.txt", "arc/graf/e2e_sut_2.txt"})
    EXPECT_GT(std::filesystem::file_size(data + "/" + file), 100u) << file;
  for (const char* file : {"arc/e2e_mes.txt", "arc/dop/e2e_sch_mes.txt"})
    EXPECT_EQ(std::filesystem::file_size(data + "/" + file), 0u) << file;
  std::filesystem::remove_all(data);
}

TEST_F(ArcgsmTest, UsageErrorsExitWith2AndAMessageNamingTheCause) {
  const std::string data = FreshDataDir("usage", kTwoNodes);
  const QString dir = QString::fromStdString(data);
  const std::pair<QStringList, QString> cases[] = {
      {{"--read-clock"}, "--phone"},
      {{"--phone", "1", "--node", "1"}, "не оба"},
      {{"--phone", "1", "--bogus"}, "--bogus"},
      {{"--phone", "1", "--date", "2009-02-30"}, "«2009-02-30»"},
      {{"--phone", "1", "--date", "15.08.2009"}, "«15.08.2009»"},
      {{"--phone", "1", "--days", "x"}, "«x»"},
      {{"--phone", "1", "--days", "-1"}, "--days"},
      {{"--node", "0"}, "--node"},
      {{"--node", "3", "--data-dir", dir}, "узлов 2"},
      {{"--phone", "1", "--read-months", "--read-clock"}, "последним"},
      {{"--phone", "1", "--port", "/dev/no-such-tty", "--data-dir", dir},
       "/dev/no-such-tty"},
  };
  for (const auto& [args, cause] : cases) {
    const auto run = RunArcgsm(args);
    EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.err.section('\n', 0, 0).contains(cause))
        << args.join(' ').toStdString() << ": " << run.err.toStdString();
    EXPECT_EQ(run.out, "") << args.join(' ').toStdString();
  }
  std::filesystem::remove_all(data);
}

TEST_F(ArcgsmTest, TheWindowShowsItsControls) {
  const std::string data = FreshDataDir("window", kTwoNodes);
  platform::VirtualLoop loop;
  platform::MemoryLine line(loop);
  arcgsm::TForm1 form(loop, line.factory(), data + "/");
  platform::QtWindow window(form);
  window.show();
  QApplication::processEvents();

  EXPECT_EQ(window.widget().windowTitle(), "TM517 АРХИВ GSM(CSD) V2009.08.15");
  EXPECT_EQ(window.widget().size(), QSize(830, 530));
  const auto* interval = qobject_cast<QPushButton*>(window.widgetOf(*form.Button14));
  const auto* dial = qobject_cast<QPushButton*>(window.widgetOf(*form.Button5));
  const auto* nodes = qobject_cast<QComboBox*>(window.widgetOf(*form.ComboBox3));
  const auto* number = qobject_cast<QLineEdit*>(window.widgetOf(*form.Edit1));
  ASSERT_TRUE(interval && dial && nodes && number);
  EXPECT_EQ(interval->text(), "Считать за интервал");
  EXPECT_TRUE(interval->isVisible());
  EXPECT_FALSE(interval->isEnabled());
  EXPECT_EQ(dial->text(), "Соединится");
  EXPECT_FALSE(dial->isEnabled());
  EXPECT_EQ(nodes->count(), 2);
  EXPECT_EQ(nodes->currentText(), "Узел учета");
  EXPECT_EQ(number->text(), "+79001234567");
  for (platform::Control* hidden : {static_cast<platform::Control*>(form.Button11),
                                    static_cast<platform::Control*>(form.Button12),
                                    static_cast<platform::Control*>(form.CheckBox4)})
    EXPECT_FALSE(window.widgetOf(*hidden)->isVisible()) << hidden->Name;

  QDir().mkpath(TM_ARTIFACTS_DIR);
  EXPECT_TRUE(platform::SaveWindowPicture(window, TM_ARTIFACTS_DIR "/arcgsm.png"));
  std::filesystem::remove_all(data);
}

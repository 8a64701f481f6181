// linkmon end to end: the program over a pseudo-terminal to the simulated meter, its usage
// errors, and its window rendered offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <filesystem>

#include "apps/linkmon/linkmon_form.h"
#include "monitor/display.h"
#include "platform/qt/qt_app.h"
#include "platform/qt/qt_window.h"
#include "platform/virtual/memory_line.h"
#include "platform/virtual/virtual_loop.h"

namespace {

const QString kLinkmon = TM_BIN_DIR "/linkmon";
const QString kSimulator = TM_BIN_DIR "/tm517sim";

struct Finished {
  int status;
  QString out, err;
};

Finished RunLinkmon(const QStringList& args) {
  QProcess linkmon;
  linkmon.start(kLinkmon, args);
  EXPECT_TRUE(linkmon.waitForFinished(20000));
  return {linkmon.exitCode(), QString::fromUtf8(linkmon.readAllStandardOutput()),
          QString::fromUtf8(linkmon.readAllStandardError())};
}

class LinkmonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "linkmon_e2e_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
      // Lives until the process ends: destroying it among the static objects crashes at exit.
      auto* app = new QApplication(argc, argv);
      platform::PrepareWindowApplication(*app);
    }
  }
};

}  // namespace

TEST_F(LinkmonTest, PollsTheSimulatorAndPrintsTwoDisplayLines) {
  if (!QFile::exists(kSimulator)) GTEST_SKIP() << "tm517sim is not built";
  QProcess simulator;
  simulator.start(kSimulator, {});
  ASSERT_TRUE(simulator.waitForReadyRead(5000));
  const QString pty = QString::fromUtf8(simulator.readLine()).trimmed();
  ASSERT_TRUE(pty.startsWith("/dev/")) << pty.toStdString();

  const auto run = RunLinkmon({"--port", pty, "--cycles", "2", "--period", "0,1"});
  simulator.terminate();
  simulator.waitForFinished(5000);

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
  for (const QString& line : lines) {
    const QStringList fields = line.split('\t');
    ASSERT_EQ(fields.size(), 8) << line.toStdString();
    for (int lamp : {3, 7})
      EXPECT_TRUE(fields[lamp] == "- НОРМА" || fields[lamp] == "- ОТКАЗ") << line.toStdString();
    EXPECT_FALSE(fields[0].contains('.')) << line.toStdString();
  }
  EXPECT_TRUE(run.err.contains("Связь в норме")) << run.err.toStdString();
  EXPECT_FALSE(run.err.contains("Сбой связи")) << run.err.toStdString();
}

TEST_F(LinkmonTest, PollsTheBuiltInSimulatedMeter) {
  const auto run = RunLinkmon({"--port", "sim", "--cycles", "1", "--period", "0,1"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.count('\n'), 1) << run.out.toStdString();
  EXPECT_EQ(run.out.count('\t'), 7) << run.out.toStdString();
}

TEST_F(LinkmonTest, UsageErrorsAndMissingPortsExitWith2AndOneLine) {
  const std::pair<QStringList, QString> cases[] = {
      {{"--period", "0,3"}, "0,3"},
      {{"--cycles", "x"}, "«x»"},
      {{"--port", "/dev/no-such-tty"}, "Не удалось открыть порт /dev/no-such-tty"},
  };
  for (const auto& [args, cause] : cases) {
    const auto run = RunLinkmon(args);
    EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(cause)) << run.err.toStdString();
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(LinkmonTest, TheWindowShowsItsControls) {
  platform::VirtualLoop loop;
  platform::MemoryLine line(loop);
  linkmon::TForm1 form(loop, line.factory(), {"1", "2", "sim"});
  monitor::PollState shown;
  shown.PointCode1 = shown.PointCode2 = 2;
  shown.PollValues = {12.5, 0.75, 12, 34567, 3, 4500, 1, 0, 1, 5, 0, 250};
  monitor::RefreshDisplay(shown, {*form.Label1, *form.Label2, *form.Label5, *form.Label12,
                                  *form.Shape1, *form.Label6, *form.Label7, *form.Label8,
                                  *form.Label13, *form.Shape2});
  platform::QtWindow window(form);
  window.show();
  QApplication::processEvents();

  EXPECT_EQ(window.widget().windowTitle(), "VIVUVURUZA TM517 СВЯЗЬ V2006.02.28");
  EXPECT_EQ(window.widget().size(), QSize(540, 434));
  const auto* start = qobject_cast<QPushButton*>(window.widgetOf(*form.Button2));
  const auto* stop = qobject_cast<QPushButton*>(window.widgetOf(*form.Button1));
  ASSERT_TRUE(start && stop);
  EXPECT_EQ(start->text(), "Старт");
  EXPECT_TRUE(start->isEnabled());
  EXPECT_FALSE(stop->isEnabled());
  EXPECT_FALSE(window.widgetOf(*form.Button15)->isVisible());
  const auto* counter = qobject_cast<QLabel*>(window.widgetOf(*form.Label2));
  ASSERT_TRUE(counter);
  EXPECT_EQ(counter->text(), "12345,67");
  EXPECT_TRUE(counter->isVisible());

  QDir().mkpath(TM_ARTIFACTS_DIR);
  EXPECT_TRUE(platform::SaveWindowPicture(window, TM_ARTIFACTS_DIR "/linkmon.png"));
}

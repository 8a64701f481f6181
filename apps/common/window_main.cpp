#include "apps/common/window_main.h"

#include <QApplication>
#include <QGuiApplication>
#include <clocale>

#include "platform/qt/qt_app.h"
#include "platform/qt/qt_window.h"

namespace app {

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, AppKind kind) {
  std::unique_ptr<QCoreApplication> app;
  if (kind == AppKind::Window) {
    auto gui = std::make_unique<QApplication>(argc, argv);
    platform::PrepareWindowApplication(*gui);
    app = std::move(gui);
  } else if (kind == AppKind::HeadlessGraphics) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  std::setlocale(LC_NUMERIC, "C");
  return app;
}

int RunWindow(platform::Form& form) {
  platform::QtWindow window(form);
  platform::InstallMessageBoxErrorReporter(&window.widget());
  window.show();
  return QApplication::exec();
}

}  // namespace app

#include "apps/common/window_main.h"

#include <QApplication>
#include <clocale>

#include "platform/qt/qt_app.h"
#include "platform/qt/qt_window.h"

namespace app {

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, bool window) {
  std::unique_ptr<QCoreApplication> app;
  if (window) {
    auto gui = std::make_unique<QApplication>(argc, argv);
    platform::PrepareWindowApplication(*gui);
    app = std::move(gui);
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

#pragma once
// The start of a program in window mode and in headless mode.
#include <functional>
#include <memory>

#include "platform/controls.h"

class QCoreApplication;

namespace app {

// Shows the form as a window and runs the program until the window is closed.
int RunWindow(platform::Form& form);

// Makes the application object: a window application, or a console one without a display
// for headless runs. Numbers are written locale-free whatever the machine's settings.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, bool window);

}  // namespace app

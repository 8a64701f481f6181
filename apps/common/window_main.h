#pragma once
// The start of a program in window mode and in headless mode.
#include <functional>
#include <memory>

#include "platform/controls.h"

class QCoreApplication;

namespace app {

// Shows the form as a window and runs the program until the window is closed.
int RunWindow(platform::Form& form);

enum class AppKind {
  Window,
  Headless,          // no display at all
  HeadlessGraphics,  // no display, but pictures are drawn (the offscreen platform)
};

// Makes the application object. Numbers are written locale-free whatever the machine's
// settings.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, AppKind kind);

}  // namespace app

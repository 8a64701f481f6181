#pragma once
// A form shown as a Qt Widgets window. One widget per control, at the control's position and
// size inside its parent, kept in step both ways: every change of a control's properties
// reaches its widget, and the operator's actions on a widget reach the control (through
// RunHandler, so a failing handler is reported and the program goes on).
//
// As on the original window platform, graphic controls (labels, shapes, gauges) lie beneath
// the windowed controls (panels, groups, buttons, fields) of the same parent, whatever the
// order of creation; a control whose Visible is false is never shown.
#include <map>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace platform {

class Control;
class Form;

class QtWindow {
 public:
  // Builds the window: fixed client size, system menu and minimise box only, centred on the
  // desktop. The form must outlive the window.
  explicit QtWindow(Form& form);
  ~QtWindow();
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  void show();
  QWidget& widget() { return *window_; }
  // The widget that shows `control` (its object name is the control's Name).
  QWidget* widgetOf(const Control& control) const;

  class View;

 private:
  void watchDeactivation();
  Form& form_;
  std::unique_ptr<QWidget> window_;
  std::vector<std::unique_ptr<View>> views_;
  std::map<const Control*, View*> viewOf_;
  bool active_ = false;  // the window holds the program's focus
};

// Saves what the window shows as a PNG file; false when the file cannot be written.
bool SaveWindowPicture(QWidget& window, const std::string& pngPath);

}  // namespace platform

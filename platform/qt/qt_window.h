#pragma once
// A form shown as a Qt Widgets window. One widget per control, at the control's position and
// size inside its parent, kept in step both ways: every change of a control's properties
// reaches its widget, and the operator's actions on a widget reach the control (through
// RunHandler, so a failing handler is reported and the program goes on).
//
// As on the original window platform, graphic controls (labels, shapes, gauges) lie beneath
// the windowed controls (panels, groups, buttons, fields) of the same parent, whatever the
// order of creation; a control whose Visible is false is never shown.
//
// A change is shown at once and opens a frame (40 ms) for its control; further changes of the
// control within the frame are shown together at its end, with all it holds by then. An
// archive read changes the status text and the gauge with every record, hundreds of times a
// second, and drawing each of them would cost far more than the read itself.
#include <map>
#include <memory>
#include <string>
#include <vector>

class QTimer;
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
  // Shows at once the changes that wait for the end of the frame.
  void flush();

  class View;

 private:
  void changed(View& view);
  void endFrame();
  void watchDeactivation();
  Form& form_;
  std::unique_ptr<QWidget> window_;
  std::vector<std::unique_ptr<View>> views_;
  std::map<const Control*, View*> viewOf_;
  std::vector<View*> framed_;  // shown within the running frame
  QTimer* frameEnd_;
  bool active_ = false;  // the window holds the program's focus
};

// Saves what the window shows, changes of the running frame included, as a PNG file; false
// when the file cannot be written.
bool SaveWindowPicture(QtWindow& window, const std::string& pngPath);

}  // namespace platform

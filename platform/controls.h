#pragma once
// Window controls as plain objects: the properties the programs read and write, and the events
// they handle. Nothing here knows Qt; the Qt backend (platform/qt) shows a form's controls as
// widgets and keeps them in step through each control's change notification.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class EventLoop;
class Control;

// A property whose assignment tells its control that it changed, so that a view can follow.
// Texts are UTF-8.
template <class T>
class Prop {
 public:
  Prop(Control* owner, T initial = T{}) : owner_(owner), value_(std::move(initial)) {}
  Prop(const Prop&) = delete;
  Prop& operator=(const Prop& other) { return *this = other.value_; }
  Prop& operator=(T v);
  operator const T&() const { return value_; }
  const T& get() const { return value_; }

 private:
  Control* owner_;
  T value_;
};

// Colours as 0xRRGGBB.
using Color = std::uint32_t;
namespace colors {
constexpr Color Black = 0x000000, White = 0xFFFFFF, Red = 0xFF0000, Lime = 0x00FF00,
                Navy = 0x000080, Maroon = 0x800000, Silver = 0xC0C0C0, Gray = 0x808080,
                Teal = 0x008080, Info = 0xFFFFE1, Face = 0xF0F0F0;
}

struct Font {
  std::string name = "Arial";
  int pixels = 13;
  Color color = colors::Black;
  bool bold = false, italic = false, underline = false;
};

enum class Kind {
  Panel, GroupBox, Label, Button, Edit, ComboBox, CheckBox, RadioButton, Gauge, Memo,
  StatusBar, Shape, DatePicker
};

class Control {
 public:
  Control(Kind kind, std::string name, Control* parent);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const Kind kind;
  const std::string Name;
  Control* const Parent;

  Prop<std::string> Caption{this};  // caption or text, by kind
  Prop<bool> Enabled{this, true};
  Prop<bool> Visible{this, true};
  Prop<int> Left{this}, Top{this}, Width{this}, Height{this};
  Prop<platform::Color> Color{this, colors::Face};
  Prop<bool> ParentColor{this, true};  // no colour of its own: the parent's shows
  platform::Font Font;  // set at design time only

  void SetBounds(int left, int top, int width, int height);
  // A colour of the control's own, not its parent's.
  void SetOwnColor(platform::Color color);
  // True when this control and all its parents are visible.
  bool Showing() const;

  // The view's hook: called after every property change.
  std::function<void(Control&)> OnChanged;
  void Changed();
};

class Button : public Control {
 public:
  Button(std::string name, Control* parent) : Control(Kind::Button, std::move(name), parent) {}
  std::function<void()> OnClick;
  // Runs the click handler, as a click by the operator would (also for hidden buttons).
  void Click();
};

class Label : public Control {
 public:
  Label(std::string name, Control* parent) : Control(Kind::Label, std::move(name), parent) {}
  Prop<bool> Transparent{this, true};
};

class Panel : public Control {
 public:
  enum class Bevel { None, Raised, Lowered, RaisedLowered };
  Panel(std::string name, Control* parent, Kind kind = Kind::Panel)
      : Control(kind, std::move(name), parent) {}
  Bevel bevel = Bevel::None;
  bool hatched = false;  // a diagonal-cross hatch in Color fills the background
};

class GroupBox : public Panel {
 public:
  GroupBox(std::string name, Control* parent) : Panel(std::move(name), parent, Kind::GroupBox) {}
};

class Edit : public Control {
 public:
  Edit(std::string name, Control* parent) : Control(Kind::Edit, std::move(name), parent) {}
  Prop<std::string>& Text = Caption;
  std::function<void()> OnChange;
};

class ComboBox : public Control {
 public:
  ComboBox(std::string name, Control* parent) : Control(Kind::ComboBox, std::move(name), parent) {}
  Prop<std::string>& Text = Caption;
  Prop<std::vector<std::string>> Items{this};
  Prop<int> ItemIndex{this, -1};  // -1: the text was typed, no item is chosen
  std::function<void()> OnChange;
  // The operator picks item i (or types a text: index -1), then OnChange runs.
  void Choose(int index);
  void Type(const std::string& text);
};

class CheckBox : public Control {
 public:
  CheckBox(std::string name, Control* parent) : Control(Kind::CheckBox, std::move(name), parent) {}
  Prop<bool> Checked{this, false};
};

class RadioButton : public Control {
 public:
  RadioButton(std::string name, Control* parent)
      : Control(Kind::RadioButton, std::move(name), parent) {}
  Prop<bool> Checked{this, false};
  std::function<void()> OnClick;
  // Selects this button, then runs OnClick (the form unchecks the others of its row).
  void Click();
};

class Gauge : public Control {
 public:
  Gauge(std::string name, Control* parent) : Control(Kind::Gauge, std::move(name), parent) {}
  Prop<int> MinValue{this, 0};
  Prop<int> MaxValue{this, 100};
  Prop<int> Progress{this, 0};
  Prop<platform::Color> ForeColor{this, colors::Navy};
  // Whole percent shown, as the gauge writes it.
  int PercentDone() const;
};

class Memo : public Control {
 public:
  Memo(std::string name, Control* parent) : Control(Kind::Memo, std::move(name), parent) {}
  class LinesT {
   public:
    explicit LinesT(Memo* owner) : owner_(owner) {}
    void Add(const std::string& line);
    const std::vector<std::string>& all() const { return lines_; }
    std::size_t size() const { return lines_.size(); }
    const std::string& operator[](std::size_t i) const { return lines_[i]; }

   private:
    Memo* owner_;
    std::vector<std::string> lines_;
  };
  LinesT Lines{this};
  // Called with each appended line (the headless runner prints them).
  std::function<void(const std::string&)> OnLineAdded;
};

class StatusBar : public Control {
 public:
  StatusBar(std::string name, Control* parent)
      : Control(Kind::StatusBar, std::move(name), parent) {}
  std::array<Prop<std::string>, 2> Panels{{{this, ""}, {this, ""}}};
  std::array<int, 2> PanelWidths{150, 0};  // 0: fills the rest
};

class Shape : public Control {
 public:
  enum class Form { Rectangle, Circle };
  Shape(std::string name, Control* parent) : Control(Kind::Shape, std::move(name), parent) {}
  Form form = Form::Rectangle;
  Prop<platform::Color> Brush{this, colors::White};
  platform::Color Pen = colors::Black;
};

class DatePicker : public Control {
 public:
  DatePicker(std::string name, Control* parent)
      : Control(Kind::DatePicker, std::move(name), parent) {}
  Prop<double> Date{this, 0.0};  // day count; only the whole days matter
  std::function<void()> OnChange;
  // The operator picks a date, then OnChange runs.
  void Pick(double date);
};

// A timer with an interval in milliseconds, ticking while enabled.
class Timer {
 public:
  Timer(EventLoop& loop, int intervalMs, bool enabled);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  // A new interval restarts the count from now when the timer runs.
  void SetInterval(int ms);
  int Interval() const { return interval_; }
  std::function<void()> OnTimer;

 private:
  void arm();
  void disarm();
  EventLoop& loop_;
  int interval_;
  bool enabled_ = false;
  std::uint64_t task_ = 0;
};

// A window: a client area holding controls. Forms create their controls through `add`.
class Form {
 public:
  Form(std::string caption, int clientWidth, int clientHeight);
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  template <class C, class... A>
  C* add(std::string name, Control* parent, A&&... args) {
    auto c = std::make_unique<C>(std::move(name), parent, std::forward<A>(args)...);
    C* raw = c.get();
    controls_.push_back(std::move(c));
    return raw;
  }

  Control* find(const std::string& name) const;
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  Prop<std::string> Caption{nullptr};
  const int ClientWidth, ClientHeight;
  Color BackColor = colors::Face;
  bool hatched = false;  // the client area shows a diagonal-cross hatch in BackColor

  // The window lost the focus to another window of the same program.
  std::function<void()> OnDeactivate;

 private:
  std::vector<std::unique_ptr<Control>> controls_;
};

template <class T>
Prop<T>& Prop<T>::operator=(T v) {
  if (!(value_ == v)) {
    value_ = std::move(v);
    if (owner_) owner_->Changed();
  }
  return *this;
}

}  // namespace platform

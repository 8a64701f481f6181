#include "platform/controls.h"

#include <cmath>

#include "platform/event_loop.h"

namespace platform {

Control::Control(Kind k, std::string name, Control* parent)
    : kind(k), Name(std::move(name)), Parent(parent) {}

void Control::SetBounds(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void Control::SetOwnColor(platform::Color color) {
  ParentColor = false;
  Color = color;
}

bool Control::Showing() const {
  for (const Control* c = this; c; c = c->Parent)
    if (!c->Visible) return false;
  return true;
}

void Control::Changed() {
  if (OnChanged) OnChanged(*this);
}

void Button::Click() {
  if (OnClick) OnClick();
}

void ComboBox::Choose(int index) {
  const auto& items = Items.get();
  if (index >= 0 && index < static_cast<int>(items.size())) {
    ItemIndex = index;
    Text = items[static_cast<std::size_t>(index)];
  } else {
    ItemIndex = -1;
  }
  if (OnChange) OnChange();
}

void ComboBox::Type(const std::string& text) {
  Text = text;
  ItemIndex = -1;
  if (OnChange) OnChange();
}

void RadioButton::Click() {
  Checked = true;
  if (OnClick) OnClick();
}

int Gauge::PercentDone() const {
  const double range = static_cast<double>(MaxValue.get()) - MinValue.get();
  if (range <= 0) return 0;
  return static_cast<int>(std::trunc((Progress.get() - MinValue.get()) * 100.0 / range));
}

void Memo::LinesT::Add(const std::string& line) {
  lines_.push_back(line);
  if (owner_->OnLineAdded) owner_->OnLineAdded(line);
  owner_->Changed();
}

void DatePicker::Pick(double date) {
  Date = date;
  if (OnChange) OnChange();
}

Timer::Timer(EventLoop& loop, int intervalMs, bool enabled) : loop_(loop), interval_(intervalMs) {
  SetEnabled(enabled);
}

Timer::~Timer() { disarm(); }

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on) arm(); else disarm();
}

void Timer::SetInterval(int ms) {
  interval_ = ms;
  if (enabled_) { disarm(); arm(); }
}

void Timer::arm() {
  if (interval_ <= 0) return;
  task_ = loop_.schedule(interval_, [this] {
    task_ = 0;
    arm();  // the next tick is due one interval after this one started
    if (OnTimer) OnTimer();
  });
}

void Timer::disarm() {
  if (task_) loop_.cancel(task_);
  task_ = 0;
}

Form::Form(std::string caption, int clientWidth, int clientHeight)
    : Caption(nullptr, std::move(caption)), ClientWidth(clientWidth), ClientHeight(clientHeight) {}

Control* Form::find(const std::string& name) const {
  for (const auto& c : controls_)
    if (c->Name == name) return c.get();
  return nullptr;
}

}  // namespace platform

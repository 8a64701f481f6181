#include "platform/qt/qt_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <array>
#include <functional>
#include <utility>

#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/qt/qt_app.h"

namespace platform {
namespace {

QColor ToQColor(Color c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

// Sets a colour of the active and inactive look only: a disabled control keeps the style's
// greyed-out look.
void SetColor(QWidget* widget, QPalette::ColorRole role, Color color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Active, role, ToQColor(color));
  palette.setColor(QPalette::Inactive, role, ToQColor(color));
  widget->setPalette(palette);
}

// A field's background: white unless the control has a colour of its own.
void SetFieldColor(QWidget* widget, const Control& control) {
  SetColor(widget, QPalette::Base, control.ParentColor ? colors::White : control.Color.get());
}

// What fills a control: its own colour, else that of the nearest parent with one, else the
// form's. A hatched panel or form fills with a diagonal-cross hatch of its colour on white.
struct Background {
  Color color;
  bool hatched;
};

bool IsHatched(const Control& c) {
  return (c.kind == Kind::Panel || c.kind == Kind::GroupBox) &&
         static_cast<const Panel&>(c).hatched;
}

Background BackgroundOf(const Control* control, const Form& form) {
  for (const Control* c = control; c; c = c->Parent)
    if (IsHatched(*c) || !c->ParentColor) return {c->Color, IsHatched(*c)};
  return {form.BackColor, form.hatched};
}

// The hatch is laid from the window's corner, so that its lines run on across controls.
void PaintBackground(QPainter& painter, const QWidget& widget, const Background& background) {
  const QRect rect = widget.rect();
  if (!background.hatched) {
    painter.fillRect(rect, ToQColor(background.color));
    return;
  }
  painter.setBrushOrigin(-widget.mapTo(widget.window(), QPoint(0, 0)));
  painter.fillRect(rect, Qt::white);
  painter.fillRect(rect, QBrush(ToQColor(background.color), Qt::DiagCrossPattern));
}

// One-pixel frame, light on the top and left edges and dark on the others when raised.
void PaintBevel(QPainter& painter, const QRect& rect, bool raised) {
  const QColor light = Qt::white, dark = ToQColor(colors::Gray);
  painter.setPen(raised ? light : dark);
  painter.drawLine(rect.topLeft(), rect.topRight());
  painter.drawLine(rect.topLeft(), rect.bottomLeft());
  painter.setPen(raised ? dark : light);
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());
  painter.drawLine(rect.topRight(), rect.bottomRight());
}

// A text set by the program shows from its beginning, also in a field too narrow for it.
void ShowFromStart(QLineEdit* field, const QString& text) {
  field->setText(text);
  field->home(false);
}

double DayCountOf(const QDate& date) {
  return EncodeDateTime(DateTime{date.year(), date.month(), date.day()});
}

QDate DateOf(double dayCount) {
  const DateTime t = DecodeDateTime(dayCount);
  return QDate(t.year, t.month, t.day);
}

// The client area of the window: the form's colour or hatch.
class ClientArea : public QWidget {
 public:
  explicit ClientArea(const Form& form) : form_(form) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    PaintBackground(painter, *this, BackgroundOf(nullptr, form_));
  }

 private:
  const Form& form_;
};

// A widget that fills itself with its control's background before its own painting: as on
// the original platform, panels and groups always, labels unless transparent.
template <class W>
class Filled : public W {
 public:
  Filled(const Control& control, const Form& form, QWidget* parent)
      : W(parent), control_(control), form_(form) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (opaque()) {
      QPainter painter(this);
      PaintBackground(painter, *this, BackgroundOf(&control_, form_));
    }
    W::paintEvent(event);
  }

 private:
  bool opaque() const {
    return control_.kind != Kind::Label || !static_cast<const Label&>(control_).Transparent;
  }
  const Control& control_;
  const Form& form_;
};

class PanelWidget : public Filled<QWidget> {
 public:
  PanelWidget(const Panel& panel, const Form& form, QWidget* parent)
      : Filled(panel, form, parent), panel_(panel) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    Filled::paintEvent(event);
    QPainter painter(this);
    QRect edge = rect();
    switch (panel_.bevel) {
      case Panel::Bevel::None: break;
      case Panel::Bevel::Raised: PaintBevel(painter, edge, true); break;
      case Panel::Bevel::Lowered: PaintBevel(painter, edge, false); break;
      case Panel::Bevel::RaisedLowered:
        PaintBevel(painter, edge, false);
        PaintBevel(painter, edge.adjusted(1, 1, -1, -1), true);
        break;
    }
    painter.setPen(ToQColor(panel_.Font.color));
    painter.drawText(rect(), Qt::AlignCenter, ToQString(panel_.Caption));
  }

 private:
  const Panel& panel_;
};

class ShapeWidget : public QWidget {
 public:
  ShapeWidget(const Shape& shape, QWidget* parent) : QWidget(parent), shape_(shape) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(ToQColor(shape_.Pen));
    painter.setBrush(ToQColor(shape_.Brush));
    const QRect box = rect().adjusted(0, 0, -1, -1);
    if (shape_.form == Shape::Form::Rectangle) {
      painter.drawRect(box);
      return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(box.width(), box.height());
    QRect circle(0, 0, side, side);
    circle.moveCenter(box.center());
    painter.drawEllipse(circle);
  }

 private:
  const Shape& shape_;
};

// A gauge: a bar in the highlight colour with the whole percent in bold across it, written
// in the text colour beside the bar and in white over it.
class GaugeWidget : public QProgressBar {
 public:
  using QProgressBar::QProgressBar;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inside, Qt::white);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(frame);
    const double range = static_cast<double>(maximum()) - minimum();
    const double share = range > 0 ? (value() - minimum()) / range : 0.0;
    QRect bar = inside;
    bar.setWidth(static_cast<int>(inside.width() * share));
    painter.fillRect(bar, palette().color(QPalette::Highlight));

    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText));
    painter.drawText(inside, Qt::AlignCenter, text());
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(inside, Qt::AlignCenter, text());
  }
};

// Two sunken panels along the bottom of the window, on the window's face colour: the first
// of its own width, the last filling the rest.
class StatusBarWidget : public QWidget {
 public:
  explicit StatusBarWidget(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    for (auto& panel : panels) {
      panel = new QLabel(this);
      panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      panel->setIndent(3);
      panel->setTextFormat(Qt::PlainText);
    }
  }
  std::array<QLabel*, 2> panels{};
};

}  // namespace

// A frame: further changes of a control shown within it wait for its end, to be shown together.
constexpr int kFrameMs = 40;

// The widget of one control, kept in step with it.
class QtWindow::View {
 public:
  View(Control& control, QWidget* widget) : control_(control), widget_(widget) {
    widget->setObjectName(ToQString(control.Name));
    widget->setFont(QtFont(control.Font));
  }
  virtual ~View() = default;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  QWidget* widget() const { return widget_; }
  // Labels, shapes and gauges are drawn on their parent, beneath its windowed controls.
  virtual bool graphic() const { return false; }

  void sync() {
    const bool wasSyncing = std::exchange(syncing_, true);
    syncContent();
    widget_->setGeometry(bounds());
    widget_->setEnabled(control_.Enabled);
    widget_->setVisible(control_.Visible);
    syncing_ = wasSyncing;
  }

  bool inFrame = false;  // a change was shown in the running frame
  bool waiting = false;  // a change waits for the end of the frame

 protected:
  // Shows the control's kind-specific properties in the widget.
  virtual void syncContent() = 0;

  // The control's place; a size of 0 takes the widget's natural size.
  virtual QRect bounds() const {
    const QSize natural = widget_->sizeHint();
    return {control_.Left, control_.Top, control_.Width > 0 ? control_.Width.get() : natural.width(),
            control_.Height > 0 ? control_.Height.get() : natural.height()};
  }

  // An action of the operator: runs it on the control, unless the widget's signal came from
  // following the control, then shows what the control holds afterwards.
  void fromOperator(const std::function<void()>& action) {
    if (syncing_) return;
    RunHandler(action);
    sync();
  }

  void setTextColor(QPalette::ColorRole role) { SetColor(widget_, role, control_.Font.color); }

 private:
  Control& control_;
  QWidget* widget_;
  bool syncing_ = false;
};

namespace {

using View = QtWindow::View;

class PanelView : public View {
 public:
  PanelView(Panel& panel, const Form& form, QWidget* parent)
      : View(panel, new PanelWidget(panel, form, parent)) {}

 protected:
  void syncContent() override { widget()->update(); }
};

class GroupBoxView : public View {
 public:
  GroupBoxView(GroupBox& box, const Form& form, QWidget* parent)
      : View(box, new Filled<QGroupBox>(box, form, parent)),
        box_(box),
        widget_(static_cast<QGroupBox*>(widget())) {
    setTextColor(QPalette::WindowText);
  }

 protected:
  void syncContent() override {
    widget_->setTitle(ToQString(box_.Caption));
    widget_->update();
  }

 private:
  GroupBox& box_;
  QGroupBox* widget_;
};

class LabelView : public View {
 public:
  LabelView(Label& label, const Form& form, QWidget* parent)
      : View(label, new Filled<QLabel>(label, form, parent)),
        label_(label),
        widget_(static_cast<QLabel*>(widget())) {
    widget_->setTextFormat(Qt::PlainText);
    widget_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextColor(QPalette::WindowText);
  }
  bool graphic() const override { return true; }

 protected:
  void syncContent() override {
    widget_->setText(ToQString(label_.Caption));
    widget_->update();
  }
  // A label grows with its text, so that no caption is clipped.
  QRect bounds() const override {
    const QSize text = widget_->sizeHint();
    return {label_.Left, label_.Top, std::max(label_.Width.get(), text.width()),
            std::max(label_.Height.get(), text.height())};
  }

 private:
  Label& label_;
  QLabel* widget_;
};

class ButtonView : public View {
 public:
  ButtonView(Button& button, QWidget* parent)
      : View(button, new QPushButton(parent)),
        button_(button),
        widget_(static_cast<QPushButton*>(widget())) {
    setTextColor(QPalette::ButtonText);
    QObject::connect(widget_, &QPushButton::clicked, widget_,
                     [this] { fromOperator([this] { button_.Click(); }); });
  }

 protected:
  void syncContent() override { widget_->setText(ToQString(button_.Caption)); }

 private:
  Button& button_;
  QPushButton* widget_;
};

class EditView : public View {
 public:
  EditView(Edit& edit, QWidget* parent)
      : View(edit, new QLineEdit(parent)), edit_(edit), widget_(static_cast<QLineEdit*>(widget())) {
    setTextColor(QPalette::Text);
    QObject::connect(widget_, &QLineEdit::textEdited, widget_, [this](const QString& text) {
      fromOperator([this, text] {
        edit_.Text = text.toStdString();
        if (edit_.OnChange) edit_.OnChange();
      });
    });
  }

 protected:
  void syncContent() override {
    const QString text = ToQString(edit_.Text);
    if (widget_->text() != text) ShowFromStart(widget_, text);  // keeps the cursor while typing
    SetFieldColor(widget_, edit_);
  }

 private:
  Edit& edit_;
  QLineEdit* widget_;
};

class ComboBoxView : public View {
 public:
  ComboBoxView(ComboBox& combo, QWidget* parent)
      : View(combo, new QComboBox(parent)),
        combo_(combo),
        widget_(static_cast<QComboBox*>(widget())) {
    widget_->setEditable(true);
    widget_->setInsertPolicy(QComboBox::NoInsert);
    widget_->setCompleter(nullptr);  // the field shows exactly what was typed
    setTextColor(QPalette::Text);
    QObject::connect(widget_, &QComboBox::activated, widget_,
                     [this](int index) { fromOperator([this, index] { combo_.Choose(index); }); });
    QObject::connect(widget_->lineEdit(), &QLineEdit::textEdited, widget_,
                     [this](const QString& text) {
                       fromOperator([this, text] { combo_.Type(text.toStdString()); });
                     });
  }

 protected:
  void syncContent() override {
    if (shownItems_ != combo_.Items.get()) {
      shownItems_ = combo_.Items;
      widget_->clear();
      for (const auto& item : shownItems_) widget_->addItem(ToQString(item));
    }
    // A typed text leaves the list's own choice alone: resetting it would empty the field.
    const bool chosen = combo_.ItemIndex >= 0 && widget_->currentIndex() != combo_.ItemIndex;
    if (chosen) widget_->setCurrentIndex(combo_.ItemIndex);
    const QString text = ToQString(combo_.Text);
    if (chosen || widget_->currentText() != text) ShowFromStart(widget_->lineEdit(), text);
    SetFieldColor(widget_, combo_);
  }

 private:
  ComboBox& combo_;
  QComboBox* widget_;
  std::vector<std::string> shownItems_;
};

class CheckBoxView : public View {
 public:
  CheckBoxView(CheckBox& box, QWidget* parent)
      : View(box, new QCheckBox(parent)), box_(box), widget_(static_cast<QCheckBox*>(widget())) {
    setTextColor(QPalette::WindowText);
    QObject::connect(widget_, &QCheckBox::clicked, widget_,
                     [this](bool checked) { fromOperator([this, checked] { box_.Checked = checked; }); });
  }

 protected:
  void syncContent() override {
    widget_->setText(ToQString(box_.Caption));
    widget_->setChecked(box_.Checked);
  }

 private:
  CheckBox& box_;
  QCheckBox* widget_;
};

class RadioButtonView : public View {
 public:
  RadioButtonView(RadioButton& radio, QWidget* parent)
      : View(radio, new QRadioButton(parent)),
        radio_(radio),
        widget_(static_cast<QRadioButton*>(widget())) {
    widget_->setAutoExclusive(false);  // the form unchecks the other buttons of its row
    setTextColor(QPalette::WindowText);
    QObject::connect(widget_, &QRadioButton::clicked, widget_,
                     [this] { fromOperator([this] { radio_.Click(); }); });
  }

 protected:
  void syncContent() override {
    widget_->setText(ToQString(radio_.Caption));
    widget_->setChecked(radio_.Checked);
  }

 private:
  RadioButton& radio_;
  QRadioButton* widget_;
};

class GaugeView : public View {
 public:
  GaugeView(Gauge& gauge, QWidget* parent)
      : View(gauge, new GaugeWidget(parent)),
        gauge_(gauge),
        widget_(static_cast<GaugeWidget*>(widget())) {
    setTextColor(QPalette::WindowText);
  }
  bool graphic() const override { return true; }

 protected:
  void syncContent() override {
    widget_->setRange(gauge_.MinValue, std::max(gauge_.MinValue.get(), gauge_.MaxValue.get()));
    widget_->setValue(std::clamp(gauge_.Progress.get(), widget_->minimum(), widget_->maximum()));
    widget_->setFormat(QString::number(gauge_.PercentDone()) + "%");
    SetColor(widget_, QPalette::Highlight, gauge_.ForeColor);
    widget_->update();
  }

 private:
  Gauge& gauge_;
  GaugeWidget* widget_;
};

class MemoView : public View {
 public:
  MemoView(Memo& memo, QWidget* parent)
      : View(memo, new QPlainTextEdit(parent)),
        memo_(memo),
        widget_(static_cast<QPlainTextEdit*>(widget())) {
    widget_->setReadOnly(true);
    setTextColor(QPalette::Text);
  }

 protected:
  // Lines are only ever added: the new ones are appended and the log scrolls to its end.
  void syncContent() override {
    if (shownLines_ < memo_.Lines.size()) {
      for (; shownLines_ < memo_.Lines.size(); ++shownLines_)
        widget_->appendPlainText(ToQString(memo_.Lines[shownLines_]));
      widget_->verticalScrollBar()->setValue(widget_->verticalScrollBar()->maximum());
    }
    SetFieldColor(widget_, memo_);
  }

 private:
  Memo& memo_;
  QPlainTextEdit* widget_;
  std::size_t shownLines_ = 0;
};

class StatusBarView : public View {
 public:
  StatusBarView(StatusBar& bar, QWidget* parent)
      : View(bar, new StatusBarWidget(parent)),
        bar_(bar),
        widget_(static_cast<StatusBarWidget*>(widget())) {
    setTextColor(QPalette::WindowText);
  }

 protected:
  void syncContent() override {
    const int height = bounds().height();
    const int first = bar_.PanelWidths[0];
    const int rest = std::max(0, widget_->parentWidget()->width() - first - 2);
    widget_->panels[0]->setGeometry(0, 2, first, height - 2);
    widget_->panels[1]->setGeometry(first + 2, 2, rest, height - 2);
    for (std::size_t i = 0; i < widget_->panels.size(); ++i)
      widget_->panels[i]->setText(ToQString(bar_.Panels[i]));
  }
  // Along the bottom of its parent, whatever the control's own place.
  QRect bounds() const override {
    const QWidget* parent = widget_->parentWidget();
    const int height = bar_.Height > 0 ? bar_.Height.get()
                                       : std::max(19, widget_->fontMetrics().height() + 4);
    return {0, parent->height() - height, parent->width(), height};
  }

 private:
  StatusBar& bar_;
  StatusBarWidget* widget_;
};

class ShapeView : public View {
 public:
  ShapeView(Shape& shape, QWidget* parent) : View(shape, new ShapeWidget(shape, parent)) {}
  bool graphic() const override { return true; }

 protected:
  void syncContent() override { widget()->update(); }
};

class DatePickerView : public View {
 public:
  DatePickerView(DatePicker& picker, QWidget* parent)
      : View(picker, new QDateEdit(parent)),
        picker_(picker),
        widget_(static_cast<QDateEdit*>(widget())) {
    widget_->setCalendarPopup(true);
    widget_->setDisplayFormat("dd.MM.yyyy");
    setTextColor(QPalette::Text);
    QObject::connect(widget_, &QDateEdit::dateChanged, widget_, [this](const QDate& date) {
      fromOperator([this, date] { picker_.Pick(DayCountOf(date)); });
    });
  }

 protected:
  void syncContent() override {
    const QDate date = DateOf(picker_.Date);
    if (widget_->date() != date) widget_->setDate(date);
    SetFieldColor(widget_, picker_);
  }

 private:
  DatePicker& picker_;
  QDateEdit* widget_;
};

std::unique_ptr<View> MakeView(Control& c, const Form& form, QWidget* parent) {
  switch (c.kind) {
    case Kind::Panel: return std::make_unique<PanelView>(static_cast<Panel&>(c), form, parent);
    case Kind::GroupBox:
      return std::make_unique<GroupBoxView>(static_cast<GroupBox&>(c), form, parent);
    case Kind::Label: return std::make_unique<LabelView>(static_cast<Label&>(c), form, parent);
    case Kind::Button: return std::make_unique<ButtonView>(static_cast<Button&>(c), parent);
    case Kind::Edit: return std::make_unique<EditView>(static_cast<Edit&>(c), parent);
    case Kind::ComboBox: return std::make_unique<ComboBoxView>(static_cast<ComboBox&>(c), parent);
    case Kind::CheckBox: return std::make_unique<CheckBoxView>(static_cast<CheckBox&>(c), parent);
    case Kind::RadioButton:
      return std::make_unique<RadioButtonView>(static_cast<RadioButton&>(c), parent);
    case Kind::Gauge: return std::make_unique<GaugeView>(static_cast<Gauge&>(c), parent);
    case Kind::Memo: return std::make_unique<MemoView>(static_cast<Memo&>(c), parent);
    case Kind::StatusBar:
      return std::make_unique<StatusBarView>(static_cast<StatusBar&>(c), parent);
    case Kind::Shape: return std::make_unique<ShapeView>(static_cast<Shape&>(c), parent);
    case Kind::DatePicker:
      return std::make_unique<DatePickerView>(static_cast<DatePicker&>(c), parent);
  }
  return nullptr;
}

bool IsPopup(const QWindow* window) {
  return window->type() == Qt::Popup || window->type() == Qt::ToolTip;
}

}  // namespace

QtWindow::QtWindow(Form& form)
    : form_(form),
      window_(std::make_unique<ClientArea>(form)),
      frameEnd_(new QTimer(window_.get())) {
  frameEnd_->setSingleShot(true);
  frameEnd_->setInterval(kFrameMs);
  QObject::connect(frameEnd_, &QTimer::timeout, window_.get(), [this] { endFrame(); });
  window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
  window_->setWindowTitle(ToQString(form.Caption));
  window_->setFixedSize(form.ClientWidth, form.ClientHeight);

  for (const auto& control : form.controls()) {
    QWidget* parent = control->Parent ? widgetOf(*control->Parent) : window_.get();
    auto view = MakeView(*control, form, parent);
    viewOf_[control.get()] = view.get();
    control->OnChanged = [this, v = view.get()](Control&) { changed(*v); };
    view->sync();
    views_.push_back(std::move(view));
  }
  // Lowering from the last to the first keeps the graphic controls in their order of creation.
  for (auto it = views_.rbegin(); it != views_.rend(); ++it)
    if ((*it)->graphic()) (*it)->widget()->lower();

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    window_->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window_->size(),
                                             screen->availableGeometry()));
  watchDeactivation();
}

// The widgets go first, while the views their signals call still exist.
QtWindow::~QtWindow() {
  QObject::disconnect(qGuiApp, nullptr, window_.get(), nullptr);
  for (const auto& control : form_.controls()) control->OnChanged = nullptr;
  window_.reset();
}

void QtWindow::show() {
  window_->show();
  window_->activateWindow();
}

void QtWindow::changed(View& view) {
  if (view.inFrame) {
    view.waiting = true;
    return;
  }
  view.sync();
  view.inFrame = true;
  framed_.push_back(&view);
  if (!frameEnd_->isActive()) frameEnd_->start();
}

// The controls that changed again within the frame are shown and go on into the next one;
// the others leave it.
void QtWindow::endFrame() {
  std::erase_if(framed_, [](View* view) {
    view->inFrame = std::exchange(view->waiting, false);
    if (view->inFrame) view->sync();
    return !view->inFrame;
  });
  if (!framed_.empty()) frameEnd_->start();
}

void QtWindow::flush() {
  for (View* view : framed_)
    if (std::exchange(view->waiting, false)) view->sync();
}

QWidget* QtWindow::widgetOf(const Control& control) const {
  const auto it = viewOf_.find(&control);
  return it != viewOf_.end() ? it->second->widget() : nullptr;
}

// The form hears of its deactivation when another window of the program takes the focus;
// not when the operator turns to another program, nor when a list or calendar drops down.
void QtWindow::watchDeactivation() {
  QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, window_.get(),
                   [this](QWindow* focused) {
                     if (focused == window_->windowHandle()) {
                       active_ = true;
                       return;
                     }
                     if (!focused || !active_ || IsPopup(focused)) return;
                     active_ = false;
                     if (form_.OnDeactivate) RunHandler(form_.OnDeactivate);
                   });
}

bool SaveWindowPicture(QtWindow& window, const std::string& pngPath) {
  window.flush();
  return window.widget().grab().save(ToQString(pngPath), "PNG");
}

}  // namespace platform

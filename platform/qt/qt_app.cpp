#include "platform/qt/qt_app.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComplex>
#include <map>
#include <string>

#include "platform/controls.h"
#include "platform/errors.h"

namespace platform {
namespace {

// The families to try for a font the forms name, best first.
QStringList FamiliesFor(const std::string& name) {
  static const std::map<std::string, QStringList> substitutes = {
      {"Arial", {"Liberation Sans", "Nimbus Sans", "DejaVu Sans"}},
      {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
  };
  QStringList families{QString::fromStdString(name)};
  const auto it = substitutes.find(name);
  families += it != substitutes.end() ? it->second : QStringList{"DejaVu Sans"};
  return families;
}

// Fusion with the narrower drop-down button and frame of the original platform's lists, so
// that a list's text has the room the forms were laid out for ("115200,N,8,1" in 102 pixels).
class FormStyle : public QProxyStyle {
 public:
  FormStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                       SubControl part, const QWidget* widget) const override {
    if (control != CC_ComboBox || (part != SC_ComboBoxArrow && part != SC_ComboBoxEditField))
      return QProxyStyle::subControlRect(control, option, part, widget);
    const QRect box = option->rect;
    const QRect button(box.right() - kButtonWidth + 1, box.top(), kButtonWidth, box.height());
    const QRect field = box.adjusted(1, 2, -kButtonWidth - 1, -2);
    return visualRect(option->direction, box, part == SC_ComboBoxArrow ? button : field);
  }

 private:
  static constexpr int kButtonWidth = 17;
};

}  // namespace

QFont QtFont(const Font& font) {
  QFont q;
  q.setFamilies(FamiliesFor(font.name));
  q.setPixelSize(font.pixels);
  q.setBold(font.bold);
  q.setItalic(font.italic);
  q.setUnderline(font.underline);
  return q;
}

void PrepareWindowApplication(QApplication& app) {
  app.setStyle(new FormStyle);  // the application takes it over
  app.setPalette(app.style()->standardPalette());
  app.setFont(QtFont(Font{}));
}

void InstallMessageBoxErrorReporter(QWidget* parent) {
  SetErrorReporter([parent = QPointer<QWidget>(parent)](const Error& e) {
    QMessageBox::warning(parent, QGuiApplication::applicationDisplayName(),
                         QString::fromStdString(e.what()));
  });
}

}  // namespace platform

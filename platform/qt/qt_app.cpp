#include "platform/qt/qt_app.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
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
  app.setStyle(QStyleFactory::create("Fusion"));
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

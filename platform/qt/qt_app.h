#pragma once
// The application side of the window programs: their look, their fonts and the error box.
#include <QFont>

class QApplication;
class QWidget;

namespace platform {

struct Font;

// The Qt font for a font of the forms. A font the machine lacks is replaced by one of the
// same metrics, else by a DejaVu font, so that Cyrillic text always renders.
QFont QtFont(const Font& font);

// Gives a new application the look of the programs: the Fusion style with its own palette
// (the same on every desktop) and 13-pixel Arial, or its substitute, as the default font.
void PrepareWindowApplication(QApplication& app);

// From now on a failed handler is reported in a warning box over `parent` (which may be null
// or go away) that shows the error's message.
void InstallMessageBoxErrorReporter(QWidget* parent);

}  // namespace platform

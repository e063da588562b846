// The application object.
#include "app/tuneflash_application.h"

#include <QFont>

#include "app/app_names.h"
#include "app/error_handler.h"
#include "app/main_widgets.h"

namespace tuneflash::app {

TuneflashApplication::TuneflashApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // On X11 the application name becomes the window class.
  setApplicationName(QString::fromLatin1(kWindowClassName));
  ApplyWindowFont(*this);
}

bool TuneflashApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    if (errors_ != nullptr) errors_->Report(std::current_exception());
    return true;
  }
}

void ApplyWindowFont(QApplication& app) {
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kFontPixelSize);
  app.setFont(font);
}

}  // namespace tuneflash::app

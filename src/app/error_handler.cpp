// The application-level error handler.
#include "app/error_handler.h"

#include "app/app_names.h"

namespace tuneflash::app {

QString ErrorMessage(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unknown error");
  }
}

void ErrorHandler::Report(const std::exception_ptr& error, QWidget* parent) noexcept {
  try {
    boxes_.ShowError(parent, QString::fromUtf8(kApplicationTitle), ErrorMessage(error));
  } catch (...) {
    // Nothing more can be shown; the handler must never throw.
  }
}

}  // namespace tuneflash::app

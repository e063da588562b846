// The application's one error handler: every exception raised by a window
// handler (a text that is not an integer, a file that cannot be opened) ends
// that handler and is shown here in an error box. Nothing reaches Qt's loop.
#pragma once

#include <QString>
#include <exception>

#include "app/ui_services.h"

class QWidget;

namespace tuneflash::app {

// The message a person sees for `error`.
QString ErrorMessage(const std::exception_ptr& error);

class ErrorHandler {
 public:
  explicit ErrorHandler(MessageBoxes& boxes) : boxes_(boxes) {}

  // Shows `error` in an error box titled with the application's title.
  void Report(const std::exception_ptr& error, QWidget* parent = nullptr) noexcept;

  // Runs `handler`; whatever it throws is reported and goes no further.
  template <typename Handler>
  void Guard(Handler&& handler, QWidget* parent = nullptr) noexcept {
    try {
      handler();
    } catch (...) {
      Report(std::current_exception(), parent);
    }
  }

 private:
  MessageBoxes& boxes_;
};

}  // namespace tuneflash::app

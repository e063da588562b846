// The application object: the window's font, and a last guard so that no
// exception ever unwinds into Qt's event loop.
#pragma once

#include <QApplication>

namespace tuneflash::app {

class ErrorHandler;

class TuneflashApplication : public QApplication {
  Q_OBJECT
 public:
  TuneflashApplication(int& argc, char** argv);

  // Where an exception that a handler let through is reported.
  void SetErrorHandler(ErrorHandler* handler) { errors_ = handler; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  ErrorHandler* errors_ = nullptr;
};

// Arial 14 px for every window; Liberation Sans stands in where Arial is not
// installed (same metrics).
void ApplyWindowFont(QApplication& app);

}  // namespace tuneflash::app

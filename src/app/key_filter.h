// Key filters of the identity fields: typed characters outside the allowed
// set are discarded (backspace included); navigation and Delete pass. A key
// release in the field is reported, for the header write.
#pragma once

#include <QObject>
#include <functional>

class QLineEdit;

namespace tuneflash::app {

class KeyFilter : public QObject {
  Q_OBJECT
 public:
  using Allowed = bool (*)(QChar);

  KeyFilter(Allowed allowed, QObject* parent) : QObject(parent), allowed_(allowed) {}

  // Installs a filter on `edit` that lets only `allowed` characters through.
  static KeyFilter* Install(QLineEdit& edit, Allowed allowed);

  // Called after each key release in the field.
  void SetKeyUpHandler(std::function<void()> handler) { keyUp_ = std::move(handler); }
  // An allowed character replaces the field's whole text (a one-character field).
  void SetReplacesText(bool replaces) { replacesText_ = replaces; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Allowed allowed_;
  std::function<void()> keyUp_;
  bool replacesText_ = false;
};

// '0' or '1' (the "Ident for nocheck" field).
bool IsIdentChar(QChar c);
// '0' to '9' or '.' (the version fields).
bool IsVersionChar(QChar c);

}  // namespace tuneflash::app

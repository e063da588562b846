// Key filters of the identity fields.
#include "app/key_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tuneflash::app {
namespace {

// Keys that move or delete without typing a character: they are not filtered.
bool IsEditingKey(int key) {
  return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete;
}

}  // namespace

bool IsIdentChar(QChar c) {
  return c == QLatin1Char('0') || c == QLatin1Char('1');
}

bool IsVersionChar(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.');
}

KeyFilter* KeyFilter::Install(QLineEdit& edit, Allowed allowed) {
  auto* filter = new KeyFilter(allowed, &edit);
  edit.installEventFilter(filter);
  return filter;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!IsEditingKey(key->key()) && !key->text().isEmpty()) {
      for (const QChar c : key->text()) {
        if (!allowed_(c)) return true;  // discarded
      }
      auto* edit = qobject_cast<QLineEdit*>(watched);
      if (replacesText_ && edit != nullptr && !edit->isReadOnly()) edit->selectAll();
    }
  } else if (event->type() == QEvent::KeyRelease && keyUp_ &&
             !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
    keyUp_();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tuneflash::app

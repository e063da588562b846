// One running window per user and desktop. The first start listens on a local
// socket named after the window class, the user and the display; a later
// start finds it, sends the activate message and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tuneflash::app {

// "[Tuneflash 3.0.10]" plus the user and the display, as a socket name.
QString InstanceKey(const QString& className, const QString& user, const QString& display);
// The key of this user's session on this display.
QString CurrentInstanceKey();

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(QString key, QObject* parent = nullptr);

  // True when this process is now the one instance. False when another one
  // runs: it has then been sent the activate message.
  bool Claim();

  // Sends the activate message to the instance listening on `key`; false
  // when none answers.
  static bool SendActivate(const QString& key);

 signals:
  // A later start asked this instance to come to the front.
  void activateRequested();

 private:
  void OnConnection();

  QString key_;
  QLocalServer server_;
};

}  // namespace tuneflash::app

// Single instance over a local socket.
#include "app/single_instance.h"

#include <pwd.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>
#include <array>

#include "app/app_names.h"
#include "dld/bytes.h"

namespace tuneflash::app {
namespace {

constexpr int kConnectTimeoutMs = 500;
constexpr int kMessageSize = 4;

QString CurrentUser() {
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr) {
    return QString::fromLocal8Bit(entry->pw_name);
  }
  return QString::number(::getuid());
}

QString CurrentDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const QByteArray value = qgetenv(name);
    if (!value.isEmpty()) return QString::fromLocal8Bit(value);
  }
  return QStringLiteral("console");
}

}  // namespace

QString InstanceKey(const QString& className, const QString& user, const QString& display) {
  // Socket names become file names: keep the readable class name, and make the
  // user and display part safe by hashing it.
  const QByteArray who = (user + QLatin1Char('@') + display).toUtf8();
  const QString tag =
      QString::fromLatin1(QCryptographicHash::hash(who, QCryptographicHash::Sha1).toHex().left(16));
  return className + QLatin1Char('-') + tag;
}

QString CurrentInstanceKey() {
  return InstanceKey(QString::fromLatin1(kWindowClassName), CurrentUser(), CurrentDisplay());
}

SingleInstance::SingleInstance(QString key, QObject* parent) : QObject(parent), key_(std::move(key)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

bool SingleInstance::Claim() {
  if (SendActivate(key_)) return false;
  // Nobody answered: a socket file left by an instance that died is removed.
  QLocalServer::removeServer(key_);
  return server_.listen(key_) || !SendActivate(key_);
}

bool SingleInstance::SendActivate(const QString& key) {
  QLocalSocket socket;
  socket.connectToServer(key);
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  std::array<std::uint8_t, kMessageSize> message{};
  PutLe32(message, 0, kActivateInstanceMessage);
  socket.write(reinterpret_cast<const char*>(message.data()), message.size());
  socket.waitForBytesWritten(kConnectTimeoutMs);
  socket.disconnectFromServer();
  return true;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      while (socket->bytesAvailable() >= kMessageSize) {
        std::array<std::uint8_t, kMessageSize> message{};
        socket->read(reinterpret_cast<char*>(message.data()), message.size());
        if (GetLe32(message, 0) == kActivateInstanceMessage) emit activateRequested();
      }
    });
  }
}

}  // namespace tuneflash::app

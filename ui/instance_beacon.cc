#include "ui/instance_beacon.h"

#include <QLocalSocket>

#include "platform/instance_lock.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {
namespace {

constexpr char kShowRequest[] = "MOSTRA\n";
constexpr char kShowAnswer[] = "OK\n";

}  // namespace

QString InstanceBeacon::SocketName(const StartupOptions& options) {
  std::filesystem::path file = InstanceLock::LockFile(InstanceKey(options));
  file.replace_extension(".sock");
  return FromUtf8(file.string());
}

bool InstanceBeacon::Listen(const QString& name, QWidget* window) {
  window_ = window;
  // We hold the instance lock, so a socket file left there belongs to a copy that ended.
  QLocalServer::removeServer(name);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(name)) return false;
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* caller = server_.nextPendingConnection()) {
      connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
      connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
        if (!caller->canReadLine()) return;
        if (caller->readLine() == kShowRequest) {
          BringToFront();
          caller->write(kShowAnswer);
          caller->flush();
        }
        caller->disconnectFromServer();
      });
    }
  });
  return true;
}

void InstanceBeacon::BringToFront() {
  if (window_ == nullptr) return;
  if (window_->isMinimized()) window_->showNormal();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

bool InstanceBeacon::CallRunningCopy(const QString& name, int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeout_ms)) return false;
  socket.write(kShowRequest);
  if (!socket.waitForBytesWritten(timeout_ms)) return false;
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(timeout_ms)) return false;
  }
  return socket.readLine() == kShowAnswer;
}

}  // namespace kaveltar::ui

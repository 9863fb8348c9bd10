// One running copy per user and installation, reachable by the next one: the running copy
// listens on a local socket beside its instance lock; a second copy started by the operator
// connects, asks for the window and ends, and the running copy brings its window to the front.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/startup.h"

namespace kaveltar::ui {

class InstanceBeacon : public QObject {
 public:
  // The socket of the installation the options name (the instance lock's name).
  static QString SocketName(const StartupOptions& options);

  // The running copy: listens on `name`; every call raises `window`. False when the socket
  // cannot be made (the program then works on, only unreachable).
  bool Listen(const QString& name, QWidget* window);

  // The second copy: asks the running copy to show its window. False when nobody answered
  // within `timeout_ms`.
  static bool CallRunningCopy(const QString& name, int timeout_ms = 2000);

 private:
  void BringToFront();

  QLocalServer server_;
  QPointer<QWidget> window_;
};

}  // namespace kaveltar::ui

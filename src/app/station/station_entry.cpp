// Opening the station window from the desktop.
#include "app/station/station_entry.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <memory>

#include "app/qt_ui_services.h"
#include "app/single_instance.h"
#include "app/station/station_window.h"
#include "dld/work_dir.h"

namespace tuneflash::app {
namespace {

const QString kStationWindowName = QStringLiteral("StationWindow");

struct DesktopServices {
  QtFileDialogs dialogs;
  QtMessageBoxes messages;
  SystemPortList ports;
};

std::filesystem::path RunLogPath() {
  try {
    return DefaultWorkDirectory() / "runs.jsonl";
  } catch (const std::exception&) {
    return {};  // no state folder: the station runs without records
  }
}

}  // namespace

StationWindow* OpenStationWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* open = qobject_cast<StationWindow*>(widget);
        open != nullptr && open->objectName() == kStationWindowName) {
      open->show();
      open->raise();
      open->activateWindow();
      return open;
    }
  }
  auto desktop = std::make_shared<DesktopServices>();
  auto* window = new StationWindow(StationServices{.dialogs = desktop->dialogs,
                                                   .messages = desktop->messages,
                                                   .ports = desktop->ports,
                                                   .setupFile = DefaultStationSetupFile(),
                                                   .runLog = RunLogPath()});
  window->setAttribute(Qt::WA_DeleteOnClose);
  // The services live as long as the window.
  QObject::connect(window, &QObject::destroyed, [desktop] {});
  window->show();
  return window;
}

void AddStationEntry(QMenu& menu) {
  if (menu.findChild<QAction*>(QStringLiteral("NStation")) != nullptr) return;
  auto* action = new QAction(QStringLiteral("Station"), &menu);
  action->setObjectName(QStringLiteral("NStation"));
  QAction* about = menu.findChild<QAction*>(QStringLiteral("NShowForm"));
  menu.insertAction(about, action);
  QObject::connect(action, &QAction::triggered, [] { OpenStationWindow(); });
}

QString StationInstanceKey() {
  return CurrentInstanceKey() + QStringLiteral("-station");
}

}  // namespace tuneflash::app

// The ways into the station window: `tuneflash --station`, and "Station" in
// the classic window's right-click menu. Either opens the one station window
// of this program, with the desktop's dialogs, the machine's serial devices
// and simulated boxes, and the per-user record file.
#pragma once

#include <QString>

class QMenu;

namespace tuneflash::app {

class StationWindow;

// Shows the station window, opening it when there is none yet; it ends
// (and frees what it uses) when it is closed.
StationWindow* OpenStationWindow();

// Adds "Station" in front of About in `menu`, once.
void AddStationEntry(QMenu& menu);

// The single-instance key of the station window: a station runs beside the
// classic window, but once per user and desktop.
QString StationInstanceKey();

}  // namespace tuneflash::app

// The main window's ways into the channel editor: "Channels..." in its
// right-click menu and a Channels... button on the mode row, both there when
// the chosen download file is a Data set.
#pragma once

#include "app/main_widgets.h"
#include "app/ui_services.h"
#include "dld/download_header.h"

namespace tuneflash::app {

void InstallChannelEditorHook(QWidget& form, MainWidgets& w, const DownloadHeaderState& header,
                              FileDialogs& dialogs, MessageBoxes& messages);

}  // namespace tuneflash::app

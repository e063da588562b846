// The desktop's own file dialogs and message boxes, and the machine's serial
// ports with the announced simulated boxes, behind the window's interfaces.
#pragma once

#include "app/ui_services.h"

namespace tuneflash::app {

class QtFileDialogs final : public FileDialogs {
 public:
  std::optional<QString> AskOpenFile(QWidget* parent, const FileDialogRequest& request) override;
  std::optional<QString> AskSaveFile(QWidget* parent, const FileDialogRequest& request) override;
};

class QtMessageBoxes final : public MessageBoxes {
 public:
  void ShowError(QWidget* parent, const QString& title, const QString& text) override;
  bool ConfirmYesCancel(QWidget* parent, const QString& title, const QString& text) override;
  void AskYesNo(QWidget* parent, const QString& title, const QString& text,
                std::function<void(bool yes)> answer) override;
};

// The machine's serial ports, then the boxes tuneflash-boxsim announces.
class SystemPortList final : public PortList {
 public:
  std::vector<PortDevice> Devices() override;
};

}  // namespace tuneflash::app

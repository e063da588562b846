// What the window asks of the desktop: file dialogs, message boxes and the
// list of serial devices. Behind small interfaces so tests drive the window
// without a person and without hardware.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "link/port_names.h"

class QWidget;

namespace tuneflash::app {

struct FileDialogRequest {
  QString title;
  QString filter;         // Qt form: "Name(*.ext);;Other(*.*)"
  QString defaultSuffix;  // without the dot
  QString initialName;    // the file name the dialog remembers
  QString directory;      // where the dialog starts: the folder of the last file chosen
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen file, or nothing when the person cancels.
  virtual std::optional<QString> AskOpenFile(QWidget* parent, const FileDialogRequest& request) = 0;
  virtual std::optional<QString> AskSaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void ShowError(QWidget* parent, const QString& title, const QString& text) = 0;
  // A confirmation with the buttons Yes and Cancel; true for Yes.
  virtual bool ConfirmYesCancel(QWidget* parent, const QString& title, const QString& text) = 0;
  // A question with the buttons Yes and No, No the default. It does not wait
  // in a loop of its own (a running transfer keeps polling meanwhile);
  // `answer` is called with true for Yes once the person has answered.
  virtual void AskYesNo(QWidget* parent, const QString& title, const QString& text,
                        std::function<void(bool yes)> answer) = 0;
};

class PortList {
 public:
  virtual ~PortList() = default;
  // The ordered devices behind the entries "COM.01".."COM.10": entry k opens
  // element k; entries past the end have no device.
  virtual std::vector<PortDevice> Devices() = 0;
};

}  // namespace tuneflash::app

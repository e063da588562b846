// File dialogs, message boxes and serial devices of the desktop.
#include "app/qt_ui_services.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "link/box_registry.h"

namespace tuneflash::app {
namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, request.title);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // The window asks before an existing upload file is covered, at Start.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(request.filter);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.directory.isEmpty()) dialog.setDirectory(request.directory);
  if (!request.initialName.isEmpty()) {
    // A name from another folder would move the dialog there; only its file
    // name is offered then.
    const QFileInfo remembered(request.initialName);
    const bool sameFolder = request.directory.isEmpty() || remembered.absolutePath() == request.directory;
    dialog.selectFile(sameFolder ? request.initialName : remembered.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

}  // namespace

std::optional<QString> QtFileDialogs::AskOpenFile(QWidget* parent, const FileDialogRequest& request) {
  return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtFileDialogs::AskSaveFile(QWidget* parent, const FileDialogRequest& request) {
  return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

void QtMessageBoxes::ShowError(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

bool QtMessageBoxes::ConfirmYesCancel(QWidget* parent, const QString& title, const QString& text) {
  return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Yes;
}

void QtMessageBoxes::AskYesNo(QWidget* parent, const QString& title, const QString& text,
                              std::function<void(bool yes)> answer) {
  auto* box = new QMessageBox(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box->setDefaultButton(QMessageBox::No);
  box->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(box, &QMessageBox::finished, box,
                   [answer = std::move(answer)](int result) { answer(result == QMessageBox::Yes); });
  box->open();  // window-modal, without a loop of its own
}

std::vector<PortDevice> SystemPortList::Devices() {
  return ListPortDevices(DefaultBoxRegistry());
}

}  // namespace tuneflash::app

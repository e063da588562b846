// TFormMain: the setup kept across restarts, the chosen file checked again
// when it changed on disk, the port lamp's reasons and Undo of a header change.
#include <QComboBox>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QLineEdit>

#include "app/app_names.h"
#include "app/form_main.h"
#include "app/port_combo_box.h"
#include "app/port_lamp.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"

namespace tuneflash::app {
namespace {

QByteArray Fingerprint(const Bytes& bytes) {
  return QCryptographicHash::hash(
      QByteArrayView(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
      QCryptographicHash::Sha256);
}

}  // namespace

void TFormMain::RestoreSetup() {
  const WindowSetup setup = setup_.Load(w_.CB_Com->count(), w_.CB_Upg->count());
  restoringSetup_ = true;
  run_.lastFolder = setup.folder;
  // The port opens when it is chosen or at Start, as on any start-up.
  w_.CB_Com->setCurrentIndex(setup.portIndex);
  w_.CB_Upg->setCurrentIndex(setup.jobIndex);
  CB_UpgSelect(setup.jobIndex);
  if (!setup.file.isEmpty()) {
    switch (RunModeForListIndex(setup.jobIndex)) {
      case RunMode::Download:
      case RunMode::Verify:
        // Checked as if chosen again; a file gone or broken since is left out.
        if (QFileInfo::exists(setup.file)) {
          errors_.Guard([&] { OpenDownloadFile(setup.file); }, this);
        }
        break;
      case RunMode::Upload:
        run_.saveDialogFileName = setup.file;
        w_.E_FileName->setText(setup.file);
        break;
      case RunMode::SatcoDx:
        break;
    }
    if (w_.E_FileName->text().isEmpty()) {
      ShowNoteLine(QStringLiteral("The file chosen last time is gone or no longer sound: %1").arg(setup.file),
                   false);
    }
  }
  restoringSetup_ = false;
}

void TFormMain::SaveSetup() {
  if (restoringSetup_) return;
  setup_.Save({w_.CB_Com->currentIndex(), w_.CB_Upg->currentIndex(), w_.E_FileName->text(), run_.lastFolder});
}

void TFormMain::RememberChosenBytes(const Bytes& bytes) {
  chosenFingerprint_ = Fingerprint(bytes);
}

bool TFormMain::RecheckChosenFile() {
  const std::filesystem::path path = run_.currentFileName;
  const Bytes bytes = ReadWholeFile(path);
  const QByteArray now = Fingerprint(bytes);
  if (now == chosenFingerprint_) return true;
  const QString name = QString::fromStdString(path.string());
  const VerifyReport report = VerifyDownloadFile(bytes);
  if (!report.ok()) {
    header_.ClearDownloadHeader();
    services_.messages.ShowError(
        this, QString::fromLatin1(kApplicationTitle),
        QStringLiteral("%1\nhas changed since it was chosen and is no longer a sound download file: %2")
            .arg(name, QString::fromStdString(DescribeVerifyFailure(*report.failure))));
    return false;
  }
  chosenFingerprint_ = now;
  header_.LoadDownloadHeader(path);
  AddStampedLine(
      QStringLiteral("%1 has changed since it was chosen: checked again, its new identity is shown")
          .arg(name));
  return true;
}

QString TFormMain::ChosenPortName() const {
  return QStringLiteral("COM.%1").arg(std::max(0, w_.CB_Com->currentIndex()) + 1, 2, 10, QLatin1Char('0'));
}

void TFormMain::ExplainClosedPort(const QString& why) {
  w_.Shape_ComState->setToolTip(QStringLiteral("Closed: ") + why);
}

void TFormMain::UndoLastHeaderChange() {
  if (!lastHeaderChange_) return;
  const HeaderChange change = *std::exchange(lastHeaderChange_, std::nullopt);
  const QString fileName = QString::fromStdString(change.file.filename().string());
  errors_.Guard(
      [&] {
        const HeaderWrite result =
            header_.SetDownloadHeaderField(change.field, change.before.toStdString(), change.file);
        if (result == HeaderWrite::NotLoadedFromFile) {
          ShowNoteLine(QStringLiteral("Nothing undone: %1 is no longer the chosen file.").arg(fileName),
                       true);
          return;
        }
        if (result == HeaderWrite::CannotOpen) {
          throw FileError(change.file, "cannot be opened for writing; its header is unchanged");
        }
        ShowHeader(header_.show(), false);
        RememberChosenBytes(ReadWholeFile(change.file));
        RefreshRunFile();
        ShowNoteLine(QStringLiteral("Undone: %1 is %2 again in %3.")
                         .arg(IdentityCaption(*w_.identity[static_cast<std::size_t>(change.field)]),
                              change.before, fileName),
                     false);
      },
      this);
}

}  // namespace tuneflash::app

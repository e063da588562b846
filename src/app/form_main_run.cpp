// TFormMain: the port list, the mode list, Open/Save, Reset and the Start
// loop that waits for a box and runs the download or upload sequence.
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <thread>

#include "app/app_names.h"
#include "app/form_main.h"
#include "app/port_combo_box.h"
#include "app/port_entry_text.h"
#include "app/port_lamp.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"
#include "link/download.h"
#include "link/start_loop.h"
#include "link/upgrade_status.h"
#include "link/upload.h"
#include "link/verify.h"
#include "runlog/box_log.h"
#include "runlog/file_facts.h"

namespace tuneflash::app {
namespace {

const char* const kNoDownloadFile = "Can not open download file!";
const char* const kNoUploadFile = "Can not open Upload file!";
const char* const kNoSatcoDxFile = "Can not open satcodx file!";
const char* const kFileMissing = "Find an error, when opening this file, maybe it inexistent!";
const char* const kCoverQuestion = "Data file already exists, are you sure to cover it?";

FileDialogRequest DownloadFileRequest(const QString& remembered, const QString& folder) {
  return {QStringLiteral("Open Download File"), QStringLiteral("Download files (*.dld)"),
          QStringLiteral("dld"), remembered, folder};
}

FileDialogRequest UploadFileRequest(const QString& remembered, const QString& folder) {
  return {QStringLiteral("Save Upload File"), QStringLiteral("Settings Files(*.dld);;All File(*.*)"),
          QStringLiteral("dld"), remembered, folder};
}

FileDialogRequest SatcoDxFileRequest(const QString& remembered, const QString& folder) {
  return {QStringLiteral("Open Download File"), QStringLiteral("Settings Files(*.sdx)"),
          QStringLiteral("sdx"), remembered, folder};
}

// How a box ended, for its line in the log: "Box 3: Update Success! in 1:47".
std::string BoxVerdictText(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Success:
      return std::string(*StatusText(kUpdateSuccess));
    case RunOutcome::Failed:
      return std::string(*StatusText(kUpdateFailed));
    case RunOutcome::Stopped:
      break;
  }
  return "stopped";
}

std::filesystem::path ToPath(const QString& name) {
  return std::filesystem::path(name.toStdString());
}

// Clears a flag when the scope ends, however it ends.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

// ---- the port list ----

void TFormMain::RefreshPortTooltips() {
  const std::vector<PortDevice> devices = services_.ports.Devices();
  const std::vector<PortEntry> entries = MakePortEntries(devices);
  for (int k = 0; k < w_.CB_Com->count() && k < static_cast<int>(entries.size()); ++k) {
    const auto at = static_cast<std::size_t>(k);
    w_.CB_Com->setItemText(
        k, QString::fromStdString(PortEntryText(entries[at], at < devices.size() ? &devices[at] : nullptr)));
    w_.CB_Com->setItemData(k, QString::fromStdString(entries[at].tooltip), Qt::ToolTipRole);
  }
  w_.CB_Com->setToolTip(w_.CB_Com->itemData(w_.CB_Com->currentIndex(), Qt::ToolTipRole).toString());
}

bool TFormMain::OpenChosenPort(bool fromStart) {
  RefreshPortTooltips();
  const std::vector<PortEntry> entries = MakePortEntries(services_.ports.Devices());
  const auto index = static_cast<std::size_t>(std::max(0, w_.CB_Com->currentIndex()));
  const std::string device = index < entries.size() ? entries[index].device : std::string();
  bool opened = false;
  if (device.empty()) {
    services_.port.CloseComPort();
    ExplainClosedPort(QStringLiteral("no serial device behind this entry"));
    if (fromStart) {
      services_.messages.ShowError(
          this, QString::fromLatin1(kApplicationTitle),
          QStringLiteral("%1 has no serial device behind it. Connect the adapter or choose another entry.")
              .arg(ChosenPortName()));
    }
  } else {
    services_.port.SetPortLabel(ChosenPortName().toStdString());
    const LinkStatus open = services_.port.OpenComPort(device);
    opened = open.has_value();
    w_.Shape_ComState->setToolTip(opened ? QString::fromStdString(device)
                                         : QString::fromStdString(DescribeFailure(open.error())));
  }
  w_.Shape_ComState->SetOpen(services_.port.PortOpen());
  return opened;
}

void TFormMain::CB_ComSelect(int) {
  if (runActive_) {
    // Choosing a port stops the run; the chosen port opens once it has ended.
    reopenAfterRun_ = true;
    StopRunByUser();
    return;
  }
  OpenChosenPort();
}

// ---- the mode list, Open/Save, Reset ----

void TFormMain::CB_UpgSelect(int index) {
  const bool opens = index == 0 || RunModeForListIndex(index) == RunMode::Verify;
  w_.SB_Open->setText(opens ? QStringLiteral("Open") : QStringLiteral("Save"));
  w_.E_Start->clear();
  w_.E_FileName->clear();
  ResetProgress();
}

void TFormMain::SB_OpenClick() {
  errors_.Guard([&] { OpenForMode(RunModeForListIndex(w_.CB_Upg->currentIndex())); }, this);
}

void TFormMain::OpenForMode(RunMode mode) {
  // Only a file chosen replaces the one there; Cancel changes nothing.
  const auto chosenAnew = [this] {
    w_.E_Start->clear();
    header_.ClearDownloadHeader();
    ResetProgress();
  };
  switch (mode) {
    case RunMode::Download:
    case RunMode::Verify:
      if (auto chosen = services_.dialogs.AskOpenFile(
              this, DownloadFileRequest(run_.openDialogFileName, run_.lastFolder))) {
        if (OpenDownloadFile(*chosen)) w_.E_Start->clear();
      }
      break;
    case RunMode::Upload:
      if (auto chosen = services_.dialogs.AskSaveFile(
              this, UploadFileRequest(run_.saveDialogFileName, run_.lastFolder))) {
        chosenAnew();
        RememberFolder(*chosen);
        run_.saveDialogFileName = *chosen;
        w_.E_FileName->setText(*chosen);
      }
      break;
    case RunMode::SatcoDx:
      if (auto chosen = services_.dialogs.AskOpenFile(
              this, SatcoDxFileRequest(run_.openDialogFileName, run_.lastFolder))) {
        chosenAnew();
        RememberFolder(*chosen);
        run_.openDialogFileName = *chosen;
        w_.E_FileName->setText(*chosen);
      }
      break;
  }
}

bool TFormMain::OpenDownloadFile(const QString& chosen) {
  RememberFolder(chosen);
  const std::filesystem::path path = ToPath(chosen);
  // Checked as a whole before anything of it is shown: a file that fails
  // leaves the file chosen before as it was.
  const Bytes bytes = ReadWholeFile(path);
  const VerifyReport report = VerifyDownloadFile(bytes);
  if (!report.ok()) {
    services_.messages.ShowError(
        this, QString::fromLatin1(kApplicationTitle),
        QStringLiteral("%1\nis not a sound download file: %2")
            .arg(chosen, QString::fromStdString(DescribeVerifyFailure(*report.failure))));
    return false;
  }
  ResetProgress();
  RememberChosenBytes(bytes);
  run_.openDialogFileName = chosen;
  run_.currentFileName = path;
  w_.E_FileName->setText(chosen);
  header_.LoadDownloadHeader(path);
  return true;
}

void TFormMain::RememberFolder(const QString& chosen) {
  run_.lastFolder = QFileInfo(chosen).absolutePath();
}

void TFormMain::SB_ResetClick() {
  const bool stopsARun = runActive_;
  ResetProgress();
  header_.ClearDownloadHeader();
  StopRunByUser();
  w_.Shape_ComState->SetOpen(false);
  reopenAfterRun_ = false;
  restartMode_.reset();
  w_.E_Start->setText(stopsARun ? QString::fromLatin1(kStoppedText) : QString());
  w_.E_FileName->clear();
  SetRunControlsEnabled(true);
  w_.CB_Com->setCurrentIndex(0);
  w_.CB_Upg->setCurrentIndex(0);
  w_.SB_Open->setText(QStringLiteral("Open"));
}

// ---- Start ----

void TFormMain::SB_StaClick() {
  StartRun(RunModeForListIndex(w_.CB_Upg->currentIndex()));
}

bool TFormMain::PrepareRun(RunMode mode) {
  const bool noFile = w_.E_FileName->text().isEmpty();
  switch (mode) {
    case RunMode::Download:
      if (noFile) return StopWithText(kNoDownloadFile);
      if (!QFileInfo::exists(run_.openDialogFileName)) return StopWithText(kFileMissing);
      run_.currentFileName = ToPath(run_.openDialogFileName);
      if (!RecheckChosenFile()) return false;
      run_.partitionCount = ReadPartitionCount(run_.currentFileName);
      return true;
    case RunMode::Upload:
      if (noFile) return StopWithText(kNoUploadFile);
      // Cancel starts nothing and keeps the file chosen.
      if (QFileInfo::exists(run_.saveDialogFileName) &&
          !services_.messages.ConfirmYesCancel(
              this, QStringLiteral("Confirm"),
              QString::fromLatin1(kCoverQuestion) + QLatin1Char('\n') + run_.saveDialogFileName)) {
        return false;
      }
      run_.currentFileName = ToPath(run_.saveDialogFileName);
      run_.modeListIndex = w_.CB_Upg->currentIndex();
      run_.partitionCount = PartitionCountForModeIndex(run_.modeListIndex);
      return true;
    case RunMode::SatcoDx:
      if (noFile) return StopWithText(kNoSatcoDxFile);
      if (!QFileInfo::exists(run_.openDialogFileName)) return StopWithText(kFileMissing);
      run_.currentFileName = run_.satcoDxWorkFile;
      run_.partitionCount = kSatcoDxPartitionCount;
      return true;
    case RunMode::Verify:
      if (noFile) return StopWithText(kNoDownloadFile);
      if (!QFileInfo::exists(run_.openDialogFileName)) return StopWithText(kFileMissing);
      run_.currentFileName = ToPath(run_.openDialogFileName);
      return RecheckChosenFile() && LoadVerifyFile();
  }
  return false;
}

bool TFormMain::LoadVerifyFile() {
  run_.verifyFile.reset();
  try {
    VerifyReport report = VerifyDownloadFile(ReadWholeFile(run_.currentFileName), true);
    if (!report.ok()) {
      AddLogLine("'" + run_.currentFileName.string() + "': " + DescribeVerifyFailure(*report.failure));
      return StopWithText(kNoDownloadFile);
    }
    run_.verifyFile = std::move(report);
  } catch (const FileError& e) {
    AddLogLine(e.what());
    return StopWithText(kNoDownloadFile);
  }
  return true;
}

LinkStatus TFormMain::RunSequence(RunMode mode, RunObserver& observer) {
  LinkFailure nothingToRun;
  nothingToRun.detail = "nothing to run in this mode";
  switch (mode) {
    case RunMode::Download:
      // Open may have chosen another file while the loop waited for the box.
      run_.partitionCount = ReadPartitionCount(run_.currentFileName);
      return DownloadFile(port_, observer, run_.currentFileName, run_.partitionCount,
                          DownloadOptions{.showConnectSuccess = true, .timing = services_.timing});
    case RunMode::Upload: {
      const auto set = UploadSetForModeIndex(run_.modeListIndex);
      if (!set) return nothingToRun;
      return UploadFile(port_, observer, header_, run_.currentFileName, *set, services_.timing);
    }
    case RunMode::Verify: {
      if (!run_.verifyFile) return nothingToRun;
      const VerifyResult result = VerifyBox(port_, observer, *run_.verifyFile, services_.timing);
      run_.verifiedPartitions = result.partitions;
      for (const auto& c : result.partitions) {
        char head[48];
        std::snprintf(head, sizeof head, "Partition %d at 0x%08X: ", c.index, c.address);
        AddLogLine(head + VerdictText(c));
      }
      return result.status;
    }
    case RunMode::SatcoDx: {
      if (!satcoDx_) return nothingToRun;
      const SatcoDxRun request{port_,
                               observer,
                               header_,
                               run_.currentFileName,
                               {ToPath(run_.openDialogFileName)},
                               run_.partitionCount,
                               services_.timing};
      return satcoDx_(request);
    }
  }
  return nothingToRun;
}

std::filesystem::path TFormMain::RecordedFile(RunMode mode, bool succeeded) const {
  // An upload that failed leaves what arrived beside its file.
  if (mode == RunMode::Upload && !succeeded) return PartialUploadPath(run_.currentFileName);
  return std::filesystem::absolute(run_.currentFileName);
}

std::shared_ptr<const RunLogFile> TFormMain::RunLog() {
  if (runLog_ || runLogTried_ || runLogPath_.empty()) return runLog_;
  runLogTried_ = true;
  RunLogFailure failure;
  if (auto opened = RunLogFile::Open(runLogPath_, failure)) {
    runLog_ = std::make_shared<const RunLogFile>(std::move(*opened));
  } else {
    AddLogLine("no record of the boxes: " + failure.Describe());
  }
  return runLog_;
}

void TFormMain::StartRun(RunMode mode) {
  if (runActive_) {
    // Start while a run waits for its box starts over: the port is closed to
    // end the waiting run, and this Start runs once it has ended.
    restartMode_ = mode;
    StopRunByUser();
    return;
  }
  stoppedByUser_ = false;
  errors_.Guard(
      [&] {
        FlagScope active(runActive_);
        if (!OpenChosenPort(true)) return;
        if (!PrepareRun(mode)) return;
        // Whatever ends the run, the controls are usable afterwards.
        struct Restore {
          TFormMain& form;
          ~Restore() {
            form.sequenceWriting_ = false;
            form.SetRunControlsEnabled(true);
            form.SetIdentEditable(true);
          }
        } restore{*this};
        StartLoopOptions options;
        options.nextBoxAfterSuccess = mode == RunMode::Download || mode == RunMode::Verify;
        options.pauseAfterSuccess = [this] { std::this_thread::sleep_for(services_.pauseAfterSuccess); };
        options.sequenceRunning = [this](bool running) {
          sequenceWriting_ = running;
          counter_.SetBoxRunning(running);
          SetIdentEditable(!running);
          // Enter then stops the run rather than starting one.
          if (running) w_.SB_Reset->setFocus();
        };
        options.timing = services_.timing;
        // Boxes are numbered on across Starts, for the life of the window.
        BoxLog boxes(RunLog(), RecordCommandName(mode), ChosenPortName().toStdString(), port_,
                     run_.boxesRecorded);
        PhaseWatch events(*this);
        // The box's record holds what a sequence throws (the job boundary);
        // the window still shows it in its error box once the loop has ended.
        std::exception_ptr thrown;
        const BoxJob job{[this, mode, &events, &thrown] {
                           try {
                             return RunSequence(mode, events);
                           } catch (...) {
                             thrown = std::current_exception();
                             throw;
                           }
                         },
                         [this, mode](bool ok) { return FactsOfFile(RecordedFile(mode, ok)); },
                         [this, mode] {
                           return mode == RunMode::Verify ? std::exchange(run_.verifiedPartitions, {})
                                                          : std::vector<PartitionComparison>{};
                         }};
        const StartLoopResult result = RunStartLoop(
            services_.port, events,
            [&] {
              const LinkStatus status = boxes.Run(job, events);
              run_.boxesRecorded = boxes.counted();
              AddLogLine(BoxSummaryLine(*boxes.last(), BoxVerdictText(boxes.last()->outcome)));
              return status;
            },
            options);
        run_.repeatRun = result.lastSucceeded;
        if (thrown) std::rethrow_exception(thrown);
      },
      this);
  if (w_.SB_Reset->hasFocus()) w_.SB_Sta->setFocus();
  w_.Shape_ComState->SetOpen(services_.port.PortOpen());
  if (reopenAfterRun_) {
    reopenAfterRun_ = false;
    OpenChosenPort();
  }
  if (const auto restart = std::exchange(restartMode_, std::nullopt)) {
    QTimer::singleShot(0, this, [this, mode = *restart] { StartRun(mode); });
  }
}

}  // namespace tuneflash::app

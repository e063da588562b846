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

#include "app/app_names.h"
#include "app/form_main.h"
#include "app/port_combo_box.h"
#include "app/port_entry_text.h"
#include "app/port_lamp.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"
#include "link/download.h"
#include "link/link_file.h"
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

std::filesystem::path ToPath(const QString& name) {
  return std::filesystem::path(name.toStdString());
}

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
  RefreshRunFile();
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
    const Bytes bytes = ReadWholeFile(run_.currentFileName);
    // The records name the bytes compared with, however the file changes later.
    run_.verifyFacts = FactsOfBytes(std::filesystem::absolute(run_.currentFileName).string(), bytes);
    VerifyReport report = VerifyDownloadFile(bytes, true);
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

LaneJobMaker TFormMain::MakeJob(RunMode mode) {
  // What a job throws ends its box (the record holds it) and is shown in an
  // error box once the run has ended.
  auto threw = jobThrew_ = std::make_shared<std::exception_ptr>();
  const auto guarded = [threw](const std::function<LinkStatus()>& sequence) {
    try {
      return sequence();
    } catch (...) {
      *threw = std::current_exception();
      throw;
    }
  };
  const std::filesystem::path file = std::filesystem::absolute(run_.currentFileName);
  runFile_.reset();
  switch (mode) {
    case RunMode::Download: {
      runFile_ = std::make_shared<RunFileSlot>(ReadLinkFile(file, LinkFileUse::Download));
      return [slot = runFile_, guarded](const LaneBinding& lane) {
        // Each box gets the file as it stands when the box begins; its record names those bytes.
        auto sent = std::make_shared<std::shared_ptr<const LinkFile>>(slot->Take());
        return BoxJob{[lane, slot, sent, guarded] {
                        *sent = slot->Take();
                        return guarded([&] {
                          return DownloadFile(
                              lane.port, lane.events, **sent,
                              DownloadOptions{.showConnectSuccess = true, .timing = lane.timing});
                        });
                      },
                      [sent](bool) { return FactsOfBytes((*sent)->path.string(), *(*sent)->bytes); },
                      {}};
      };
    }
    case RunMode::Upload: {
      const auto set = UploadSetForModeIndex(run_.modeListIndex);
      if (!set) throw FileError(file, "no partition set for this mode");
      return [file, set = *set, guarded](const LaneBinding& lane) {
        auto header = std::make_shared<DownloadHeaderState>();
        return BoxJob{[lane, file, set, header, guarded] {
                        return guarded([&] {
                          return UploadFile(lane.port, lane.events, *header, file, set, lane.timing);
                        });
                      },
                      // An upload that failed leaves what arrived beside its file.
                      [file](bool ok) { return FactsOfFile(ok ? file : PartialUploadPath(file)); },
                      {}};
      };
    }
    case RunMode::Verify: {
      auto expected = std::make_shared<const VerifyReport>(*run_.verifyFile);
      const FileFacts facts = run_.verifyFacts;
      return [expected, facts, guarded](const LaneBinding& lane) {
        auto result = std::make_shared<VerifyResult>();
        return BoxJob{[lane, expected, result, guarded] {
                        return guarded([&] {
                          *result = VerifyBox(lane.port, lane.events, *expected, lane.timing);
                          for (const auto& c : result->partitions) {
                            char head[48];
                            std::snprintf(head, sizeof head, "Partition %d at 0x%08X: ", c.index, c.address);
                            lane.events.AddLogLine(head + VerdictText(c));
                          }
                          return result->status;
                        });
                      },
                      [facts](bool) { return facts; }, [result] { return result->partitions; }};
      };
    }
    case RunMode::SatcoDx: {
      // Without a sequence the box's pass fails, once it has said hello.
      SatcoDxSequence sequence = satcoDx_ ? satcoDx_ : [](const SatcoDxRun&) -> LinkStatus {
        LinkFailure none;
        none.detail = "nothing to run in this mode";
        return none;
      };
      return [sequence, file, lists = std::vector{ToPath(run_.openDialogFileName)},
              count = run_.partitionCount, guarded](const LaneBinding& lane) {
        auto header = std::make_shared<DownloadHeaderState>();
        return BoxJob{
            [lane, sequence, file, lists, count, header, guarded] {
              return guarded([&] {
                return sequence(SatcoDxRun{lane.port, lane.events, *header, file, lists, count, lane.timing});
              });
            },
            [file](bool) { return FactsOfFile(file); },
            {}};
      };
    }
  }
  throw FileError(file, "nothing to run in this mode");
}

void TFormMain::RefreshRunFile() {
  if (!runActive_ || !runFile_) return;
  errors_.Guard([&] { runFile_->Replace(ReadLinkFile(run_.currentFileName, LinkFileUse::Download)); }, this);
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
    // Start while a run waits for its box starts over: the run is stopped,
    // and this Start runs once it has ended.
    restartMode_ = mode;
    StopRunByUser();
    return;
  }
  stoppedByUser_ = false;
  errors_.Guard(
      [&] {
        if (!OpenChosenPort(true)) return;
        if (!PrepareRun(mode)) return;
        LaneJobMaker job = MakeJob(mode);
        LaneSetup& setup = lane_.setup();
        setup.port = ChosenPortName().toStdString();
        setup.command = RecordCommandName(mode);
        setup.runLog = RunLog();
        // A download or verify goes on with the next box; the others run once.
        setup.count = mode == RunMode::Download || mode == RunMode::Verify ? 0 : 1;
        setup.timing = services_.timing;
        setup.pauseAfterSuccess = services_.pauseAfterSuccess;
        // Boxes are numbered on across Starts, for the life of the window.
        setup.boxesBefore = run_.boxesRecorded;
        setup.closeAtEnd = false;
        runActive_ = true;
        runner_.Start(
            lane_, std::move(job), [this](const RunEvent& event) { OnEvent(event); },
            [this, mode](const LaneEnd& end) { OnLaneEnded(mode, end); });
      },
      this);
}

void TFormMain::OnLaneEnded(RunMode mode, const LaneEnd& end) {
  runActive_ = false;
  sequenceWriting_ = false;
  counter_.SetBoxRunning(false);
  SetRunControlsEnabled(true);
  SetIdentEditable(true);
  run_.boxesRecorded = std::max(run_.boxesRecorded, end.boxesRecorded);
  run_.repeatRun = end.lastSucceeded;
  // The identity the box gave its file is the one shown.
  if (end.lastSucceeded && (mode == RunMode::Upload || mode == RunMode::SatcoDx))
    header_.LoadDownloadHeader(run_.currentFileName);
  if (w_.SB_Reset->hasFocus()) w_.SB_Sta->setFocus();
  w_.Shape_ComState->SetOpen(services_.port.PortOpen());
  if (jobThrew_) {
    if (const auto threw = std::exchange(*jobThrew_, nullptr)) {
      errors_.Guard([&] { std::rethrow_exception(threw); }, this);
    }
  }
  if (reopenAfterRun_) {
    reopenAfterRun_ = false;
    OpenChosenPort();
  }
  if (const auto restart = std::exchange(restartMode_, std::nullopt)) {
    QTimer::singleShot(0, this, [this, mode = *restart] { StartRun(mode); });
  }
}

void TFormMain::OnBoxStarted(const BoxStarted&) {
  sequenceWriting_ = true;
  counter_.SetBoxRunning(true);
  SetIdentEditable(false);
  SetRunControlsEnabled(false);
  // Enter then stops the run rather than starting one.
  w_.SB_Reset->setFocus();
}

void TFormMain::OnBoxEnded(const BoxEnded& ended) {
  sequenceWriting_ = false;
  counter_.SetBoxRunning(false);
  SetIdentEditable(true);
  SetRunControlsEnabled(true);
  run_.boxesRecorded = ended.box;
  const std::string verdict = ended.succeeded ? std::string(*StatusText(kUpdateSuccess))
                              : ended.stopped ? std::string("stopped")
                                              : std::string(*StatusText(kUpdateFailed));
  AddLogLine(BoxSummaryLine(ended.box, verdict, ended.took));
}

void TFormMain::OnRetrying(const Retrying& retry) {
  if (stoppedByUser_) return;
  retryShown_ = true;
  ShowNoteLine(QString::fromStdString(DescribeRetry(retry)), false);
}

}  // namespace tuneflash::app

// TFormMain: the program's working window. It holds the run state, shows the
// identity of the chosen download file, runs the Start loop (wait for a box,
// download or upload, next box) and is the observer the sequences report to.
#pragma once

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/error_handler.h"
#include "app/main_widgets.h"
#include "app/run_state.h"
#include "app/ui_services.h"
#include "dld/download_header.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "link/run_observer.h"
#include "runlog/counting_com_port.h"
#include "runlog/run_log_file.h"

namespace tuneflash::app {

// What the window is given: the desktop's services, the port and the per-user
// directory of the work files.
struct MainWindowServices {
  FileDialogs& dialogs;
  MessageBoxes& messages;
  PortList& ports;
  ComPort& port;
  std::filesystem::path workDirectory;
  LinkTiming timing{};
  // The pause after "Update Success!" before the next box is awaited.
  std::chrono::milliseconds pauseAfterSuccess{1500};
};

class TFormMain : public QWidget, public RunObserver {
  Q_OBJECT
 public:
  explicit TFormMain(MainWindowServices services, QWidget* parent = nullptr);
  ~TFormMain() override;

  // The observer seam: the sequences report through these.
  void ShowStatus(std::string_view text) override;
  void SetRunControlsEnabled(bool enabled) override;
  void AddLogLine(std::string_view line) override;
  void ResetProgress() override;
  void StepProgress(int max, int step) override;
  void Pump() override;

  // The SatcoDX download that Start runs in mode 1. Until one is set, a
  // SatcoDX run fails.
  void SetSatcoDxSequence(SatcoDxSequence sequence) { satcoDx_ = std::move(sequence); }

  // Open/Save and Start for a given mode; the buttons use the mode of the
  // mode list.
  void OpenForMode(RunMode mode);
  void StartRun(RunMode mode);

  // Where every box's record is appended (the per-user runs.jsonl); without
  // one, boxes are not recorded.
  void SetRunLogFile(std::filesystem::path path) { runLogPath_ = std::move(path); }

  const RunState& runState() const { return run_; }
  const DownloadHeaderState& header() const { return header_; }
  bool runActive() const { return runActive_; }
  ErrorHandler& errors() { return errors_; }

 public slots:
  void CB_ComSelect(int index);
  void CB_UpgSelect(int index);
  void SB_OpenClick();
  void SB_StaClick();
  void SB_ResetClick();
  void SB_InfoClick();
  void SB_Close1Click();
  void NShowFormClick();
  void E_IdentKeyUp(int field);
  // The activate message of a second start: restore, or bring to the front.
  void ActivateInstance();

 signals:
  // Close or Exit: the program ends.
  void exitRequested();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void ConnectHandlers();
  void ShowHeader(const FILE_DOWNLOAD_HEADER_SHOW_T& show, bool cleared);
  void SetIdentEditable(bool editable);
  void RefreshPortTooltips();
  bool OpenChosenPort();
  // The checks of Start for `mode`; false (with its text shown) to stop.
  bool PrepareRun(RunMode mode);
  LinkStatus RunSequence(RunMode mode);
  // Verify: reads and checks the chosen file; false (with the reason logged) to stop.
  bool LoadVerifyFile();
  // The file a box's record names.
  std::filesystem::path RecordedFile(RunMode mode, bool succeeded) const;
  // The run log, opened at the first run; empty without one or when it
  // cannot be opened (said once in the log).
  std::shared_ptr<const RunLogFile> RunLog();
  // Shows `text` in the status line; false, for the checks of Start.
  bool StopWithText(const char* text);

  MainWindowServices services_;
  // The port the sequences talk through: services_.port, counted for the records.
  CountingComPort port_{services_.port};
  std::filesystem::path runLogPath_;
  std::shared_ptr<const RunLogFile> runLog_;
  bool runLogTried_ = false;
  ErrorHandler errors_;
  MainWidgets w_;
  DownloadHeaderState header_;
  RunState run_;
  SatcoDxSequence satcoDx_;
  bool logVisible_ = false;
  bool runActive_ = false;
  // A port choice or a Start pressed while a run waits: the port was closed
  // to end that run; this is done once it has ended.
  bool reopenAfterRun_ = false;
  std::optional<RunMode> restartMode_;
};

}  // namespace tuneflash::app

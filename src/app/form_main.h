// TFormMain: the program's working window. It holds the run state, shows the
// identity of the chosen download file, and runs the port's lane (wait for a
// box, download or upload, next box) on a thread of its own, taking the run's
// events on its own thread.
#pragma once

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

#include "app/box_counter.h"
#include "app/error_handler.h"
#include "app/lane_runner.h"
#include "app/main_widgets.h"
#include "app/run_figures.h"
#include "app/run_file_slot.h"
#include "app/run_state.h"
#include "app/ui_services.h"
#include "app/window_setup.h"
#include "dld/bytes.h"
#include "dld/download_header.h"
#include "lane/port_lane.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/run_observer.h"
#include "runlog/run_log_file.h"

namespace tuneflash::app {

class TFormAbout;

// What the status line shows once a person has stopped a run.
inline constexpr const char* kStoppedText = "Stopped";

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
  // Where the port, the job, the file and the folder are kept across
  // restarts; empty: nothing is kept.
  std::filesystem::path setupFile{};
};

class TFormMain : public QWidget, public RunObserver {
  Q_OBJECT
 public:
  explicit TFormMain(MainWindowServices services, QWidget* parent = nullptr);
  ~TFormMain() override;

  // The observer seam: the run's events come in through OnEvent, on the
  // window's thread, and land in these.
  void ShowStatus(std::string_view text);
  void SetRunControlsEnabled(bool enabled) override;
  void AddLogLine(std::string_view line);
  void ResetProgress();
  // The run's waits poll on the lane's thread; nothing to pump here.
  void Pump() override {}
  // The link's reason for a failed pass, handed to ReportRunFailure.
  void ReportFailure(const LinkFailure& failure);

  // Why the last run failed, once per failed run: the reason becomes the last
  // line of the log, the status line's tooltip holds it, the failed box is
  // counted and Info appears. `portLost` when the port went away under the run.
  // Ignored once the person has stopped the run.
  void ReportRunFailure(const QString& reason, bool portLost);

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
  // A run was started and has not ended yet (its end reaches the window
  // through its event queue).
  bool runActive() const { return runActive_; }
  // A download or upload sequence is writing (the box has said hello).
  bool sequenceWriting() const { return sequenceWriting_; }
  const BoxTally& tally() const { return tally_; }
  ErrorHandler& errors() { return errors_; }

  // Writes the identity field's value from before its last change back into
  // the file it was written to; says so under the status line.
  void UndoLastHeaderChange();

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
  void keyPressEvent(QKeyEvent* event) override;

 protected:
  void OnWaitingForBox() override { ResetProgress(); }
  void OnStatusLine(const StatusLine& status) override { ShowStatus(status.text); }
  void OnJobProgress(const JobProgress& progress) override;
  void OnLogLine(const LogLine& line) override { AddLogLine(line.text); }
  void OnFailed(const Failed& failed) override { ReportFailure(failed.failure); }
  void OnRetrying(const Retrying& retry) override;
  void OnBoxStarted(const BoxStarted& started) override;
  void OnBoxEnded(const BoxEnded& ended) override;

 private:
  void FormCreate();
  void ConnectHandlers();
  void ShowHeader(const FILE_DOWNLOAD_HEADER_SHOW_T& show, bool cleared);
  void SetIdentEditable(bool editable);
  void RefreshPortTooltips();
  // Opens the port of the chosen entry; `fromStart` says in an error box when
  // the entry has no device behind it.
  bool OpenChosenPort(bool fromStart = false);
  // Opens a download file after checking every record of it; false (with
  // an error box) when it does not check, and the file chosen before stays.
  bool OpenDownloadFile(const QString& chosen);
  QString DialogFolder() const;
  void RememberFolder(const QString& chosen);
  // Closes the port and ends the program.
  void QuitNow();
  // Closes the port to stop a running or waiting run on a person's request.
  void StopRunByUser();
  // One time-stamped line in the log.
  void AddStampedLine(const QString& line);
  void RefreshStatusTooltip();
  // The line under the status: `text` (elided; all of it in the tooltip),
  // a failure in the error colour, with an "Undo" link when `offerUndo`.
  void ShowNoteLine(const QString& text, bool failure, bool offerUndo = false);
  // The setup kept across restarts: put back at start-up, saved on each choice.
  void RestoreSetup();
  void SaveSetup();
  // What was read of the file chosen with Open, to tell at Start whether it
  // has changed on disk since.
  void RememberChosenBytes(const Bytes& bytes);
  // Start: a chosen download file that changed on disk is checked again and
  // its new identity shown; false (with an error box) when it no longer checks.
  bool RecheckChosenFile();
  // The name of the chosen port entry, "COM.01".."COM.10".
  QString ChosenPortName() const;
  // The lamp's tooltip while the port is closed: why it is red.
  void ExplainClosedPort(const QString& why);
  void RefreshProgressTooltip();
  // The checks of Start for `mode`; false (with its text shown) to stop.
  bool PrepareRun(RunMode mode);
  // The job of the run's boxes, from what Start checked and read: it holds
  // no reference to the window, which it never touches from the lane's thread.
  LaneJobMaker MakeJob(RunMode mode);
  // The lane has ended: the controls are freed, a port choice or a Start
  // made meanwhile is carried out.
  void OnLaneEnded(RunMode mode, const LaneEnd& end);
  // The person changed the chosen download file while a run waits: the run
  // sends it from the next box on.
  void RefreshRunFile();
  // Verify: reads and checks the chosen file; false (with the reason logged) to stop.
  bool LoadVerifyFile();
  // The run log, opened at the first run; empty without one or when it
  // cannot be opened (said once in the log).
  std::shared_ptr<const RunLogFile> RunLog();
  // Shows `text` in the status line; false, for the checks of Start.
  bool StopWithText(const char* text);

  MainWindowServices services_;
  // The port's lane: services_.port, counted for the records, box after box.
  PortLane lane_{services_.port, LaneSetup{}};
  // What a running download sends; shared with the lane's thread.
  std::shared_ptr<RunFileSlot> runFile_;
  // What a run's job threw, to be shown in an error box once it has ended.
  std::shared_ptr<std::exception_ptr> jobThrew_;
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
  bool sequenceWriting_ = false;
  // Set when a person's action (Reset, Close, a port choice, Start again)
  // closed the port under the run; cleared at each Start.
  bool stoppedByUser_ = false;
  bool quitAsked_ = false;
  QString lastFailure_;
  BoxTally tally_;
  JobProgress progress_;     // the job's last progress: the bar's share, its rate and time left
  bool retryShown_ = false;  // the line under the status says a wait is retrying
  QPointer<TFormAbout> about_;
  BoxCounter counter_{*w_.L_Boxes, tally_};
  WindowSetupStore setup_;
  bool restoringSetup_ = false;
  QByteArray chosenFingerprint_;
  // Files a person has agreed to have their identity fields written into.
  std::set<std::filesystem::path> headerWritesAgreed_;
  // The last change written into a file's header, for Undo.
  struct HeaderChange {
    std::filesystem::path file;
    int field = 0;
    QString before;
  };
  std::optional<HeaderChange> lastHeaderChange_;
  // Last: it stops and waits for the lane before anything the lane uses goes.
  LaneRunner runner_;
};

}  // namespace tuneflash::app

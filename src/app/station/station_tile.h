// One tile of the station: one port, its lane on a thread of its own, and what
// the operator reads from across the bench: the device, a large coloured
// state, the bar, rate and time left, the box's time, the counts and the last
// failure's reason. A port whose adapter is pulled shows "no device" and is
// opened again by itself when the same device comes back.
#pragma once

#include <QFrame>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "app/box_counter.h"
#include "app/lane_runner.h"
#include "app/run_figures.h"
#include "app/station/station_job.h"
#include "link/port_names.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tuneflash::app {

enum class TileState { Stopped, Waiting, Writing, Verifying, Pass, Fail, NoDevice };

// "stopped", "waiting for a box", "writing", "verifying", "pass", "fail", "no device".
const char* TileStateText(TileState state);

// The waits of a tile: the link's, the pause after a box, and how often a
// pulled device is looked for.
struct TileWaits {
  LinkTiming timing{};
  std::chrono::milliseconds pauseAfterSuccess{1500};
  std::chrono::milliseconds reopenPoll{1000};
};

// What a tile runs: the station's job and its record file.
struct TileRun {
  StationJob job = StationJob::Download;
  LaneJobMaker make;
  std::shared_ptr<const RunLogFile> runLog;
  TileWaits waits;
};

class StationTile : public QFrame {
  Q_OBJECT
 public:
  // Tile `index` (0-based) shows "Port 01" and names its records so.
  explicit StationTile(int index, QWidget* parent = nullptr);
  ~StationTile() override;

  // The devices to choose from; the chosen one stays, even when it is not there.
  void SetDevices(const std::vector<PortDevice>& devices);
  QString device() const;
  void SetDevice(const QString& path);
  // The device choice is open only while unlocked and the tile is stopped.
  void SetLocked(bool locked);

  // Opens the device and runs box after box until stopped. A device that is
  // not there leaves the tile on "no device", waiting for it.
  void Start(const TileRun& run);
  // Raises the lane's stop; the box in flight is recorded as stopped.
  void Stop();
  // The tile runs or waits for its device to come back.
  bool active() const { return run_.has_value(); }
  // A box is being written or read back.
  bool busy() const { return state_ == TileState::Writing || state_ == TileState::Verifying; }
  TileState state() const { return state_; }
  const BoxTally& tally() const { return tally_; }
  QString portName() const;

 signals:
  // The operator pressed the tile's Start/Stop.
  void toggleRequested();
  // The operator chose another device.
  void deviceChosen();
  // A box ended and its record is written; or the tile started or stopped.
  void boxEnded();
  void activeChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ElideReason();
  void OnEvent(const RunEvent& event);
  void OnLaneEnded(const LaneEnd& end);
  void OpenAndRun();
  void TryReopen();
  void SetState(TileState state);
  // `line` on the reason line (elided to the tile), `whole` (the run's own
  // text of the failure) with it in the tooltip.
  void ShowReason(const QString& line, const std::string& whole = {});
  void Finish();

  int index_;
  QLabel* title_;
  QComboBox* devices_;
  QLabel* state_label_;
  QLabel* status_;
  QProgressBar* bar_;
  QLabel* figures_;
  QLabel* counter_label_;
  QLabel* reason_;
  QPushButton* toggle_;
  BoxTally tally_;
  std::unique_ptr<BoxCounter> counter_;
  TileState state_ = TileState::Stopped;
  bool locked_ = false;
  bool bytesKnown_ = false;  // the job's progress counts bytes of a known total

  std::optional<TileRun> run_;
  std::unique_ptr<ComPort> system_;
  std::unique_ptr<PortLane> lane_;
  LaneRunner runner_;
  QTimer reopen_;
  int boxesRecorded_ = 0;
  std::string boxReason_;  // why the last box failed, as its end said
};

}  // namespace tuneflash::app

// The station window: every port of the bench in one window. One job and one
// file for the whole station, a Lock against stray clicks, and a tile per
// port, each running its own lane; the shift's totals from the record file.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/station/station_job.h"
#include "app/station/station_records.h"
#include "app/station/station_setup.h"
#include "app/station/station_tile.h"
#include "app/ui_services.h"
#include "link/link_waits.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tuneflash {
class RunLogFile;
}

namespace tuneflash::app {

struct StationServices {
  FileDialogs& dialogs;
  MessageBoxes& messages;
  PortList& ports;                  // the machine's serial devices and the simulated boxes
  std::filesystem::path setupFile;  // empty: nothing is kept
  std::filesystem::path runLog;     // runs.jsonl; empty: the boxes are not recorded
  TileWaits waits{};
};

class StationWindow : public QWidget {
  Q_OBJECT
 public:
  explicit StationWindow(StationServices services, QWidget* parent = nullptr);
  ~StationWindow() override;

  // Starts `tile` with the station's job; false (and why, to the operator)
  // when there is no file or no device.
  bool StartTile(StationTile& tile);
  // Starts every stopped tile / stops every tile.
  void StartAll();
  void StopAll();
  // Chooses the job's file again (the dialog), reads and checks it once.
  void ChooseFile();
  // Opens the list of records.
  void ShowRecords();

  int tileCount() const { return static_cast<int>(tiles_.size()); }
  StationTile& tile(int index) { return *tiles_.at(static_cast<std::size_t>(index)); }
  const ShiftTotals& totals() const { return totals_; }
  bool locked() const;
  // A tile writes or reads back a box.
  bool AnyBusy() const;
  bool AnyActive() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildShortcuts();
  void SetTileCount(int count);
  void ToggleTile(StationTile& tile);
  void LoadFile(const QString& path, bool quiet);
  void ShowFile();
  void RefreshDevices();
  void RefreshTotals();
  void UpdateControls();
  void SaveSetup();
  void ToggleFocusedTile();

  StationServices services_;
  StationSetupStore store_;
  StationSetup setup_;
  std::shared_ptr<const RunLogFile> runLog_;
  std::shared_ptr<const StationFile> file_;
  std::vector<StationTile*> tiles_;
  std::vector<PortDevice> devices_;  // the devices the tiles' lists offer
  bool startedOnce_ = false;

  QComboBox* job_ = nullptr;
  QLineEdit* fileName_ = nullptr;
  QPushButton* open_ = nullptr;
  QCheckBox* lock_ = nullptr;
  QSpinBox* ports_ = nullptr;
  QLabel* identity_ = nullptr;
  QLabel* sha_ = nullptr;
  QPushButton* startAll_ = nullptr;
  QPushButton* stopAll_ = nullptr;
  QPushButton* records_ = nullptr;
  QLabel* totalsText_ = nullptr;
  QGridLayout* grid_ = nullptr;

  std::unique_ptr<RecordTail> tail_;
  ShiftTotals totals_;
  QElapsedTimer shift_;
  QTimer refresh_;
};

}  // namespace tuneflash::app

// What the station remembers across restarts: the job, the file, the folder
// the dialog starts in, the lock, and the device of every tile. Kept in an
// INI file of its own, beside the classic window's.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>

class QSettings;

namespace tuneflash::app {

inline constexpr int kMaxStationPorts = 16;

struct StationSetup {
  int job = 0;          // index of the job list
  QString file;         // the job's file; empty when none was chosen
  QString folder;       // where the file dialog starts
  bool locked = false;  // the settings are locked
  QStringList devices;  // one device path per tile (1 to 16 tiles); empty: none chosen yet
};

class StationSetupStore {
 public:
  // Without a file (an empty path) nothing is kept.
  explicit StationSetupStore(const std::filesystem::path& file);
  ~StationSetupStore();
  StationSetupStore(const StationSetupStore&) = delete;
  StationSetupStore& operator=(const StationSetupStore&) = delete;

  // The setup as last saved: a job outside the list reads as the first, at
  // least one tile and at most 16.
  StationSetup Load() const;
  // Writes `setup` through to the file at once.
  void Save(const StationSetup& setup);

 private:
  std::unique_ptr<QSettings> settings_;
};

// tuneflash/station.conf in the user's configuration folder.
std::filesystem::path DefaultStationSetupFile();

}  // namespace tuneflash::app

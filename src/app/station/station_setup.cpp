// The station's setup in an INI file.
#include "app/station/station_setup.h"

#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

#include "app/station/station_job.h"

namespace tuneflash::app {
namespace {

const QString kJobKey = QStringLiteral("station/job");
const QString kFileKey = QStringLiteral("station/file");
const QString kFolderKey = QStringLiteral("station/folder");
const QString kLockKey = QStringLiteral("station/lock");
const QString kPortsKey = QStringLiteral("station/ports");

QString DeviceKey(int tile) {
  return QStringLiteral("station/port%1").arg(tile + 1, 2, 10, QLatin1Char('0'));
}

}  // namespace

StationSetupStore::StationSetupStore(const std::filesystem::path& file) {
  if (!file.empty()) {
    settings_ = std::make_unique<QSettings>(QString::fromStdString(file.string()), QSettings::IniFormat);
  }
}

StationSetupStore::~StationSetupStore() = default;

StationSetup StationSetupStore::Load() const {
  StationSetup setup;
  setup.devices << QString();
  if (!settings_) return setup;
  const int job = settings_->value(kJobKey).toInt();
  setup.job = job >= 0 && job < kStationJobCount ? job : 0;
  setup.file = settings_->value(kFileKey).toString();
  setup.folder = settings_->value(kFolderKey).toString();
  setup.locked = settings_->value(kLockKey).toBool();
  const int ports = std::clamp(settings_->value(kPortsKey, 1).toInt(), 1, kMaxStationPorts);
  setup.devices.clear();
  for (int tile = 0; tile < ports; ++tile) setup.devices << settings_->value(DeviceKey(tile)).toString();
  return setup;
}

void StationSetupStore::Save(const StationSetup& setup) {
  if (!settings_) return;
  settings_->setValue(kJobKey, setup.job);
  settings_->setValue(kFileKey, setup.file);
  settings_->setValue(kFolderKey, setup.folder);
  settings_->setValue(kLockKey, setup.locked);
  settings_->setValue(kPortsKey, static_cast<int>(setup.devices.size()));
  for (int tile = 0; tile < kMaxStationPorts; ++tile) {
    if (tile < setup.devices.size()) {
      settings_->setValue(DeviceKey(tile), setup.devices[tile]);
    } else {
      settings_->remove(DeviceKey(tile));
    }
  }
  settings_->sync();
}

std::filesystem::path DefaultStationSetupFile() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (folder.isEmpty()) return {};
  return std::filesystem::path(folder.toStdString()) / "tuneflash" / "station.conf";
}

}  // namespace tuneflash::app

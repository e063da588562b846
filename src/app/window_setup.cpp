// The window's setup in an INI file.
#include "app/window_setup.h"

#include <QSettings>
#include <QStandardPaths>

namespace tuneflash::app {
namespace {

const QString kPortKey = QStringLiteral("setup/port");
const QString kJobKey = QStringLiteral("setup/job");
const QString kFileKey = QStringLiteral("setup/file");
const QString kFolderKey = QStringLiteral("setup/folder");

int IndexBelow(const QSettings& settings, const QString& key, int count) {
  bool ok = false;
  const int index = settings.value(key).toInt(&ok);
  return ok && index >= 0 && index < count ? index : 0;
}

}  // namespace

WindowSetupStore::WindowSetupStore(const std::filesystem::path& file) {
  if (!file.empty()) {
    settings_ = std::make_unique<QSettings>(QString::fromStdString(file.string()), QSettings::IniFormat);
  }
}

WindowSetupStore::~WindowSetupStore() = default;

WindowSetup WindowSetupStore::Load(int portCount, int jobCount) const {
  WindowSetup setup;
  if (!settings_) return setup;
  setup.portIndex = IndexBelow(*settings_, kPortKey, portCount);
  setup.jobIndex = IndexBelow(*settings_, kJobKey, jobCount);
  setup.file = settings_->value(kFileKey).toString();
  setup.folder = settings_->value(kFolderKey).toString();
  return setup;
}

void WindowSetupStore::Save(const WindowSetup& setup) {
  if (!settings_) return;
  settings_->setValue(kPortKey, setup.portIndex);
  settings_->setValue(kJobKey, setup.jobIndex);
  settings_->setValue(kFileKey, setup.file);
  settings_->setValue(kFolderKey, setup.folder);
  settings_->sync();
}

std::filesystem::path DefaultSetupFile() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (folder.isEmpty()) return {};
  return std::filesystem::path(folder.toStdString()) / "tuneflash" / "window.conf";
}

}  // namespace tuneflash::app

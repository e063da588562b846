// What the window remembers across restarts: the port entry, the job, the
// file and the folder the dialogs start in. Kept in an INI file of its own.
#pragma once

#include <QString>
#include <filesystem>
#include <memory>

class QSettings;

namespace tuneflash::app {

struct WindowSetup {
  int portIndex = 0;  // index into the port list
  int jobIndex = 0;   // index into the mode list
  QString file;       // the file chosen for the job; empty when none
  QString folder;     // where the file dialogs start
};

class WindowSetupStore {
 public:
  // Without a file (an empty path) nothing is kept.
  explicit WindowSetupStore(const std::filesystem::path& file);
  ~WindowSetupStore();
  WindowSetupStore(const WindowSetupStore&) = delete;
  WindowSetupStore& operator=(const WindowSetupStore&) = delete;

  // The setup as last saved; indexes outside [0, portCount) and
  // [0, jobCount) read as 0.
  WindowSetup Load(int portCount, int jobCount) const;
  // Writes `setup` through to the file at once.
  void Save(const WindowSetup& setup);

 private:
  std::unique_ptr<QSettings> settings_;
};

// Where the window keeps its setup for this user: tuneflash/window.conf in
// the user's configuration folder.
std::filesystem::path DefaultSetupFile();

}  // namespace tuneflash::app

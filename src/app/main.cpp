// tuneflash: the desktop window. One instance per user and desktop; a second
// start brings the running window to the front and ends. --station opens the
// station window, also once per user and desktop.
#include <filesystem>
#include <memory>

#include "app/command_line.h"
#include "app/error_handler.h"
#include "app/form_main.h"
#include "app/qt_ui_services.h"
#include "app/single_instance.h"
#include "app/station/station_entry.h"
#include "app/station/station_window.h"
#include "app/tuneflash_application.h"
#include "app/window_satcodx.h"
#include "app/window_setup.h"
#include "dld/work_dir.h"
#include "link/posix_com_port.h"

int main(int argc, char** argv) {
  using namespace tuneflash;
  using namespace tuneflash::app;

  // --version and --help need no window and no display.
  if (const auto code = HandleInformationOptions(argc, argv)) return *code;

  TuneflashApplication application(argc, argv);
  QtMessageBoxes messages;
  ErrorHandler errors(messages);
  application.SetErrorHandler(&errors);

  const bool station = StationRequested(argc, argv);
  SingleInstance instance(station ? StationInstanceKey() : CurrentInstanceKey());
  if (!instance.Claim()) return 0;
  if (station) {
    StationWindow* window = OpenStationWindow();
    QObject::connect(&instance, &SingleInstance::activateRequested, window, [] { OpenStationWindow(); });
    return application.exec();
  }

  // This instance's own work directory, removed when the window closes.
  std::unique_ptr<PrivateWorkDirectory> instanceDirectory;
  errors.Guard([&] { instanceDirectory = std::make_unique<PrivateWorkDirectory>(DefaultWorkDirectory()); });
  if (!instanceDirectory) {
    errors.Guard([&] {
      instanceDirectory = std::make_unique<PrivateWorkDirectory>(std::filesystem::temp_directory_path());
    });
  }
  const std::filesystem::path workDirectory =
      instanceDirectory ? instanceDirectory->path() : std::filesystem::temp_directory_path();

  QtFileDialogs dialogs;
  SystemPortList ports;
  PosixComPort port;
  MainWindowServices services{dialogs, messages, ports, port, workDirectory};
  services.setupFile = DefaultSetupFile();
  TFormMain form(std::move(services));
  // Every box in the per-user state directory, kept across runs.
  errors.Guard([&] { form.SetRunLogFile(DefaultWorkDirectory() / "runs.jsonl"); });
  WindowSatcoDx satcoDx(form);
  QObject::connect(&instance, &SingleInstance::activateRequested, &form, &TFormMain::ActivateInstance);
  QObject::connect(&form, &TFormMain::exitRequested, &application, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  form.show();
  const int code = application.exec();
  port.CloseComPort();
  return code;
}

// tuneflash-screenshots: drives the real window against a simulated box on a
// desktop (Xvfb with a window manager, see scripts/screenshot.sh) and saves
// what a person sees: idle with a file chosen, during the second box of a
// download (with the box counter), with the log shown, a failed run with its
// reason line and log, and the About window.
#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QTimer>
#include <iostream>

#include "app/form_about.h"
#include "boxsim/box_sim.h"
#include "sample_files.h"
#include "window_fakes.h"

namespace {

using namespace tuneflash;
using namespace tuneflash::app;
using namespace tuneflash::app::testing;

Bytes DataSetFile() {
  return SampleDownloadFile(PartitionSet::Data,
                            {.manufacture = "NORDSAT-0042",
                             .hardwareModule = "DVBS2",
                             .hardwareVersion = "3.1",
                             .softwareModule = "CHDB",
                             .softwareVersion = "2.07.4"},
                            24000);
}

// Lets the window manager and the X server catch up, then grabs the window
// with its frame from the screen.
bool Shoot(QWidget& window, const QString& path) {
  window.raise();
  window.activateWindow();
  QTest::qWait(400);
  const QRect frame = window.frameGeometry();
  const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  const bool saved = shot.save(path);
  std::cout << (saved ? "saved " : "could not save ") << path.toStdString() << " (" << frame.width() << "x"
            << frame.height() << ")\n";
  return saved;
}

// Runs `action` once the status line shows a text starting with `prefix` for
// the `nth` time.
void OnceStatus(WindowRig& rig, const QString& prefix, std::function<void()> action, int nth = 1) {
  auto* status = rig.Field("E_Start");
  auto connection = std::make_shared<QMetaObject::Connection>();
  auto seen = std::make_shared<int>(0);
  *connection = QObject::connect(status, &QLineEdit::textChanged, status, [=](const QString& text) {
    if (!text.startsWith(prefix) || ++*seen < nth) return;
    QObject::disconnect(*connection);
    action();
  });
}

int Run(const QString& outDir) {
  QDir().mkpath(outDir);
  bool ok = true;
  boxsim::BoxSimOptions options;
  options.line.wireRate = 115200;  // as slow as the real line, so the bar moves as it would
  options.faults.badUploadSumBlock = 2;
  boxsim::BoxSim box(options);
  box.Start();
  // A second box that falls silent in the middle of a transfer.
  boxsim::BoxSimOptions silentOptions;
  silentOptions.line.wireRate = 115200;
  silentOptions.faults.silentAfterBlock = 3;
  boxsim::BoxSim silentBox(silentOptions);
  silentBox.Start();

  WindowRig rig(LinkTiming{}, std::chrono::milliseconds(300));
  rig.ports.devices = {{box.DevicePath(), "simulated box (tuneflash-boxsim)"},
                       {silentBox.DevicePath(), "simulated box that falls silent"}};
  const std::filesystem::path file = rig.dir / "nordsat_channels.dld";
  tuneflash::testing::WriteBytes(file, DataSetFile());

  // Idle: port chosen (lamp green), download file chosen, identity shown.
  rig.Choose("CB_Com", 0);
  rig.dialogs.answers << QString::fromStdString(file.string());
  rig.Click("SB_Open");
  ok &= Shoot(rig.form, outDir + QStringLiteral("/tuneflash-idle.png"));

  // During a download: the second box, half way through its transfer.
  OnceStatus(
      rig, QStringLiteral("Transfering Data:  50%"),
      [&] { ok &= Shoot(rig.form, outDir + QStringLiteral("/tuneflash-download.png")); }, 2);
  OnceStatus(
      rig, QStringLiteral("Update Success!"),
      [&] {
        OnceStatus(rig, QStringLiteral("Connectting..."),
                   [&] { QTimer::singleShot(50, [&] { rig.Click("SB_Reset"); }); });
      },
      2);
  rig.Click("SB_Sta");

  // The Data set read back, with a damaged block on the way: its NAK goes to the log.
  const std::filesystem::path target = rig.dir / "data-from-box.dld";
  rig.Choose("CB_Com", 0);
  rig.Choose("CB_Upg", 1);
  rig.dialogs.answers << QString::fromStdString(target.string());
  rig.Click("SB_Open");
  rig.Click("SB_Sta");
  std::cout << "upload: " << rig.Status().toStdString() << "\n";
  if (rig.form.findChild<QWidget*>(QStringLiteral("P_Info"))->isVisible()) {
    rig.Click("SB_Info");
    auto* log = rig.form.findChild<QListWidget*>(QStringLiteral("LB_Info"));
    const auto naks = log->findItems(QStringLiteral("Send NAK"), Qt::MatchContains);
    if (!naks.isEmpty()) log->scrollToItem(naks.front(), QAbstractItemView::PositionAtCenter);
    ok &= Shoot(rig.form, outDir + QStringLiteral("/tuneflash-log.png"));
    rig.Click("SB_Info");
  } else {
    std::cout << "the upload logged nothing; no log screenshot\n";
    ok = false;
  }

  // A failed run: the box on COM.02 falls silent; the reason line says why
  // and the log opens by itself.
  rig.Choose("CB_Upg", 0);
  rig.Choose("CB_Com", 1);
  rig.dialogs.answers << QString::fromStdString(file.string());
  rig.Click("SB_Open");
  rig.Click("SB_Sta");
  std::cout << "failed run: " << rig.Status().toStdString() << "\n";
  ok &= Shoot(rig.form, outDir + QStringLiteral("/tuneflash-failed.png"));
  rig.Click("SB_Info");

  rig.form.NShowFormClick();
  auto* about = rig.form.findChild<TFormAbout*>();
  ok &= about != nullptr && Shoot(*about, outDir + QStringLiteral("/tuneflash-about.png"));
  if (about != nullptr) about->close();

  rig.Click("SB_Reset");
  silentBox.Stop();
  box.Stop();
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  TuneflashApplication application(argc, argv);
  const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
  return Run(outDir);
}

// tuneflash-station-screenshot: drives the station window against eight
// paced simulated boxes and saves what a person sees mid-run, one tile failed
// with its reason (docs/tuneflash-station.png), and the record list after
// Stop all (docs/tuneflash-station-records.png). Runs on the offscreen
// platform: the window grabs itself.
#include <QApplication>
#include <QComboBox>
#include <QSpinBox>
#include <QTimer>
#include <iostream>
#include <memory>

#include "app/station/record_list.h"
#include "app/station/station_tile.h"
#include "app/station/station_window.h"
#include "boxsim/box_sim.h"
#include "sample_files.h"
#include "window_fakes.h"

namespace {

using namespace tuneflash;
using namespace tuneflash::app;
using namespace tuneflash::app::testing;

constexpr int kTiles = 8;
constexpr int kFailing = 5;  // the tile whose box fails to program

boxsim::BoxSimOptions PacedBox(bool failing) {
  boxsim::BoxSimOptions options;
  options.line.wireRate = 115200;
  options.reannounce = std::chrono::milliseconds(100);
  options.idleHello = std::chrono::milliseconds(100);
  if (failing) options.faults.programFailPartition = 2;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TuneflashApplication app(argc, argv);
  const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
  tuneflash::testing::TempDir dir;
  ScriptedDialogs dialogs;
  RecordingMessages messages;
  FixedPorts ports;
  std::vector<std::unique_ptr<boxsim::BoxSim>> boxes;
  for (int i = 0; i < kTiles; ++i) {
    boxes.push_back(std::make_unique<boxsim::BoxSim>(PacedBox(i == kFailing)));
    boxes.back()->Start();
    ports.devices.push_back({boxes.back()->DevicePath(), "simulated box"});
  }
  StationWindow window(
      StationServices{.dialogs = dialogs,
                      .messages = messages,
                      .ports = ports,
                      .setupFile = dir / "station.conf",
                      .runLog = dir / "runs.jsonl",
                      .waits = {{}, std::chrono::milliseconds(300), std::chrono::seconds(1)}});
  window.findChild<QSpinBox*>(QStringLiteral("Ports"))->setValue(kTiles);
  for (int i = 0; i < kTiles; ++i) window.tile(i).SetDevice(QString::fromStdString(boxes[i]->DevicePath()));
  auto* job = window.findChild<QComboBox*>(QStringLiteral("Job"));
  job->setCurrentIndex(static_cast<int>(StationJob::DownloadThenVerify));
  emit job->activated(job->currentIndex());
  const auto file = dir / "NORDSAT-DVBS2-CHDB-2.07.4.dld";
  tuneflash::testing::WriteBytes(file, SampleDownloadFile(PartitionSet::Data,
                                                          {.manufacture = "NORDSAT-0042",
                                                           .hardwareModule = "DVBS2",
                                                           .hardwareVersion = "3.1",
                                                           .softwareModule = "CHDB",
                                                           .softwareVersion = "2.07.4"},
                                                          24000));
  dialogs.answers << QString::fromStdString(file.string());
  window.ChooseFile();
  window.resize(1180, 640);
  window.show();

  // The ports start one after another, as boxes are put on a fixture; the
  // failing one early, shot the moment its box has failed.
  bool saved = false;
  QObject::connect(&window.tile(kFailing), &StationTile::boxEnded, &window, [&] {
    if (saved || window.tile(kFailing).state() != TileState::Fail) return;
    const QString path = outDir + QStringLiteral("/tuneflash-station.png");
    saved = window.grab().save(path);
    std::cout << (saved ? "saved " : "could not save ") << path.toStdString() << "\n";
    window.StopAll();
    // The record list once every port has stopped and recorded its box.
    QTimer::singleShot(1500, &window, [&] {
      RecordList list(dir / "runs.jsonl");
      list.show();
      const QString records = outDir + QStringLiteral("/tuneflash-station-records.png");
      saved &= list.grab().save(records);
      std::cout << "saved " << records.toStdString() << "\n";
      app.quit();
    });
  });
  for (int i = 0; i < kTiles; ++i) {
    const int delay = i == kFailing ? 1000 : 700 * (i < kFailing ? i : i - 1);
    QTimer::singleShot(delay, &window, [&window, i] { window.StartTile(window.tile(i)); });
  }
  QTimer::singleShot(120000, &app, &QCoreApplication::quit);
  app.exec();
  for (auto& box : boxes) box->Stop();
  return saved ? 0 : 1;
}

// The station window's figures, with paced simulated boxes in a process of
// their own (tuneflash-boxsim --boxes 16 --wire-rate 115200): one box alone on
// one tile, then 8 and 16 tiles at once, one box each. Per run it prints each
// box's time against the lone box's, the window process's CPU (the lanes'
// threads included) and the worst gap of a 10 ms heartbeat timer on the GUI
// thread. Prints figures; asserts nothing. Arguments: [--set NAME] (default data).
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/station/station_tile.h"
#include "app/station/station_window.h"
#include "dld/builder.h"
#include "window_fakes.h"

extern char** environ;

namespace {

using namespace tuneflash;
using namespace tuneflash::app;
using namespace tuneflash::app::testing;

constexpr int kMostBoxes = 16;
constexpr int kHeartbeatMs = 10;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct StationRun {
  std::vector<double> boxSeconds;  // the first successful box of each tile
  double cpuShare = 0;             // of one core, over the run
  double worstGapMs = 0;           // heartbeat: the longest time between two beats, less the period
  double wallSeconds = 0;
  bool complete = false;
};

// Runs `tiles` tiles on PATH, PATH.2, ... until each has one box done.
// Hidden, the window paints nothing: what is left is the lanes' own CPU.
StationRun RunTiles(int tiles, const std::string& link, const std::filesystem::path& file,
                    const std::filesystem::path& folder, bool shown = true) {
  ScriptedDialogs dialogs;
  RecordingMessages messages;
  FixedPorts ports;
  for (int k = 1; k <= tiles; ++k)
    ports.devices.push_back({k == 1 ? link : link + "." + std::to_string(k), "box"});
  const auto runLog = folder / ("runs-" + std::to_string(tiles) + ".jsonl");
  StationWindow window(StationServices{
      .dialogs = dialogs, .messages = messages, .ports = ports, .setupFile = {}, .runLog = runLog});
  window.findChild<QSpinBox*>(QStringLiteral("Ports"))->setValue(tiles);
  for (int i = 0; i < tiles; ++i) window.tile(i).SetDevice(QString::fromStdString(ports.devices[i].path));
  dialogs.answers << QString::fromStdString(file.string());
  window.ChooseFile();
  window.resize(1180, 900);
  if (shown) window.show();

  StationRun run;
  QElapsedTimer beat;
  qint64 worst = 0;
  QTimer heartbeat;
  heartbeat.setTimerType(Qt::PreciseTimer);
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    worst = std::max(worst, beat.nsecsElapsed());
    beat.restart();
  });
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (int i = 0; i < tiles; ++i) {
      if (window.tile(i).tally().ok + window.tile(i).tally().failed == 0) return;
    }
    loop.quit();
  });
  QTimer::singleShot(600000, &loop, &QEventLoop::quit);
  const double cpu0 = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  beat.start();
  heartbeat.start(kHeartbeatMs);
  poll.start(100);
  window.StartAll();
  loop.exec();
  heartbeat.stop();
  run.wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
  run.cpuShare = (CpuSeconds() - cpu0) / run.wallSeconds;
  run.worstGapMs = static_cast<double>(worst) / 1e6 - kHeartbeatMs;
  window.StopAll();
  QEventLoop stopped;
  QTimer::singleShot(2000, &stopped, &QEventLoop::quit);
  stopped.exec();

  std::map<std::string, double> firstSuccess;
  std::ifstream in(runLog);
  for (std::string line; std::getline(in, line);) {
    const auto r = nlohmann::json::parse(line, nullptr, false);
    if (r.is_discarded() || r["result"] != "success") continue;
    firstSuccess.try_emplace(r["port"].get<std::string>(), r["duration_s"].get<double>());
  }
  for (const auto& [port, seconds] : firstSuccess) run.boxSeconds.push_back(seconds);
  run.complete = static_cast<int>(run.boxSeconds.size()) == tiles;
  return run;
}

void Print(int tiles, const StationRun& run, double lone) {
  if (!run.complete) {
    std::printf("%2d tiles: FAILED: %zu of %d boxes succeeded\n", tiles, run.boxSeconds.size(), tiles);
    return;
  }
  const auto [shortest, longest] = std::minmax_element(run.boxSeconds.begin(), run.boxSeconds.end());
  std::printf("%2d tiles: each box %.2f..%.2f s, the slowest %+.2f%% of the lone box (goal: within 3%%)\n",
              tiles, *shortest, *longest, lone > 0 ? 100.0 * (*longest - lone) / lone : 0.0);
  std::printf(
      "          window process CPU %.2f%% of one core (goal: < 5%%); worst GUI-thread gap %.1f ms "
      "(goal: <= 20 ms)\n",
      100.0 * run.cpuShare, run.worstGapMs);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TuneflashApplication app(argc, argv);
  std::string setName = "data";
  if (argc == 3 && std::strcmp(argv[1], "--set") == 0) setName = argv[2];
  const auto set = ParsePartitionSet(setName);
  if (!set) {
    std::fprintf(stderr, "bench_station: unknown set '%s'\n", setName.c_str());
    return 2;
  }
  tuneflash::testing::TempDir dir;
  const auto file = dir / "set.dld";
  FILE_DOWNLOAD_HEADER_T identity;
  SetFieldText(identity.acManufacture, "BENCH");
  std::vector<Bytes> images;
  for (const auto& p : PartitionsOf(*set))
    images.push_back(tuneflash::testing::PatternImage(p.size, p.address));
  const Bytes bytes = BuildDownloadFile(identity, *set, images);
  tuneflash::testing::WriteBytes(file, bytes);
  std::printf("%s set file: %zu bytes; simulated boxes at 115200 8E1 in a process of their own\n",
              std::string(PartitionSetName(*set)).c_str(), bytes.size());
  std::fflush(stdout);

  const auto bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  const std::string link = (dir / "box").string();
  std::vector<std::string> args{(bin / "tuneflash-boxsim").string(),
                                "--boxes",
                                std::to_string(kMostBoxes),
                                "--link",
                                link,
                                "--wire-rate",
                                "115200",
                                "--no-announce"};
  std::vector<char*> argvSim;
  for (auto& a : args) argvSim.push_back(a.data());
  argvSim.push_back(nullptr);
  pid_t sim = -1;
  if (posix_spawn(&sim, argvSim[0], nullptr, nullptr, argvSim.data(), environ) != 0) {
    std::printf("bench_station: cannot start %s\n", argvSim[0]);
    return 1;
  }
  for (int i = 0; i < 300 && !std::filesystem::exists(link + "." + std::to_string(kMostBoxes)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

  const StationRun lone = RunTiles(1, link, file, dir.path());
  const double loneSeconds = lone.complete ? lone.boxSeconds.front() : 0;
  Print(1, lone, loneSeconds);
  std::fflush(stdout);
  for (const int tiles : {8, kMostBoxes}) {
    Print(tiles, RunTiles(tiles, link, file, dir.path()), loneSeconds);
    std::fflush(stdout);
  }
  const StationRun hidden = RunTiles(8, link, file, dir.path(), false);
  std::printf(" 8 tiles, the window hidden (no painting): CPU %.2f%% of one core\n", 100.0 * hidden.cpuShare);
  kill(sim, SIGINT);
  waitpid(sim, nullptr, 0);
  return 0;
}

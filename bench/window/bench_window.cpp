// The classic window's figures on a box paced at 115200 bit/s: how close the
// time left of the bar's tooltip is to the transfer's real remainder at
// 20 %, 40 %, 60 % and 80 % of the transfer, and the worst gap of a 10 ms
// heartbeat timer on the GUI thread over the whole run (the run's own thread
// does the waiting). Prints figures; asserts nothing.
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>
#include <map>

#include "box_rig.h"

namespace {

using namespace tuneflash;
using namespace tuneflash::app;
using namespace tuneflash::app::testing;

constexpr int kHeartbeatMs = 10;

// "0:42 left" in the tooltip, in seconds; -1 when it has none.
double TimeLeftOf(const QString& tooltip) {
  const auto at = tooltip.indexOf(QStringLiteral(" left"));
  if (at < 0) return -1;
  const auto start = tooltip.lastIndexOf(QLatin1Char(' '), at - 1) + 1;
  const QStringList parts = tooltip.mid(start, at - start).split(QLatin1Char(':'));
  if (parts.size() != 2) return -1;
  return parts[0].toInt() * 60.0 + parts[1].toInt();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TuneflashApplication app(argc, argv);
  BoxRig rig({}, {}, 115200);
  WriteBytes(rig.file, SampleDownloadFile(PartitionSet::App, {.ident = 1, .softwareModule = "APP"}, 200000));
  rig.dialogs.answers << QString::fromStdString(rig.file.string());
  rig.Click("SB_Open");

  auto* bar = rig.Child<QProgressBar>("ProgressBarMain");
  QElapsedTimer clock;
  clock.start();
  // The transfer is two thirds of the bar: its share p is at p * 2/3 of the bar.
  std::map<int, std::pair<double, double>> samples;  // % of the transfer -> (seconds in, time left shown)
  double transferEnd = -1;
  QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
    const int transferPercent = value * 100 * 3 / (2 * bar->maximum());
    for (int mark : {20, 40, 60, 80}) {
      if (transferPercent >= mark && !samples.contains(mark))
        samples[mark] = {static_cast<double>(clock.elapsed()) / 1000.0, TimeLeftOf(bar->toolTip())};
    }
  });
  WhenStatusShows(rig, "Transfer Success!",
                  [&] { transferEnd = static_cast<double>(clock.elapsed()) / 1000.0; });
  double worstGapMs = 0;
  QElapsedTimer beat;
  beat.start();
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    worstGapMs = std::max(worstGapMs, static_cast<double>(beat.restart()) - kHeartbeatMs);
  });
  heartbeat.start(kHeartbeatMs);
  ResetAtTheNextBox(rig);
  clock.restart();
  rig.Click("SB_Sta");

  std::printf("window, one App box at 115200 bit/s (%zu bytes): transfer %.2f s\n",
              static_cast<std::size_t>(std::filesystem::file_size(rig.file)), transferEnd);
  for (const auto& [mark, sample] : samples) {
    const double real = transferEnd - sample.first;
    const double shown = sample.second;
    // The tooltip shows whole seconds: up to half a second of rounding.
    std::printf("  at %d %%: time left shown %.0f s, real %.2f s, off by %.1f %% (%.2f s)\n", mark, shown,
                real, real > 0 ? 100.0 * (shown - real) / real : 0.0, shown - real);
  }
  std::printf("  GUI thread: worst heartbeat gap %.1f ms beyond its %d ms period\n", worstGapMs,
              kHeartbeatMs);
  return 0;
}

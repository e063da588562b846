// The box counter.
#include "app/box_counter.h"

#include <QLabel>

namespace tuneflash::app {

BoxCounter::BoxCounter(QLabel& label, const BoxTally& tally) : label_(label), tally_(tally) {
  tick_.setInterval(1000);
  connect(&tick_, &QTimer::timeout, this, &BoxCounter::Refresh);
  Refresh();
}

void BoxCounter::SetBoxRunning(bool running) {
  if (running) {
    clock_.start();
    tick_.start();
  } else if (clock_.isValid()) {
    lastBoxMs_ = clock_.elapsed();
    clock_.invalidate();
    tick_.stop();
  }
  Refresh();
}

void BoxCounter::Refresh() {
  const qint64 boxMs = clock_.isValid() ? clock_.elapsed() : lastBoxMs_;
  label_.setText(BoxCounterText(tally_, boxMs));
  label_.setToolTip(QStringLiteral("Boxes since the window started: %1 ok, %2 failed\n%3 box: %4")
                        .arg(tally_.ok)
                        .arg(tally_.failed)
                        .arg(clock_.isValid() ? QStringLiteral("This") : QStringLiteral("Last"))
                        .arg(MinutesSeconds(boxMs)));
}

QString MinutesSeconds(qint64 ms) {
  const qint64 seconds = ms / 1000;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString BoxCounterText(const BoxTally& tally, qint64 boxMs) {
  return QStringLiteral("%1 ok, %2 failed · %3").arg(tally.ok).arg(tally.failed).arg(MinutesSeconds(boxMs));
}

}  // namespace tuneflash::app

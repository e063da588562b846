// The counter beside the status line: boxes done and failed since the window
// started, and the time of the box being written (or of the last one).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "app/run_figures.h"

class QLabel;

namespace tuneflash::app {

class BoxCounter : public QObject {
  Q_OBJECT
 public:
  // Shows `tally` in `label`; both outlive the counter.
  BoxCounter(QLabel& label, const BoxTally& tally);

  // True: a box said hello and is being written, its clock starts. False:
  // the box is done, however it ended, and its time stays shown.
  void SetBoxRunning(bool running);
  // Shows the tally and the box's time as they stand.
  void Refresh();

 private:
  QLabel& label_;
  const BoxTally& tally_;
  QTimer tick_;
  QElapsedTimer clock_;
  qint64 lastBoxMs_ = 0;
};

// "1:07": minutes and seconds.
QString MinutesSeconds(qint64 ms);

// "12 ok, 1 failed · 1:07".
QString BoxCounterText(const BoxTally& tally, qint64 boxMs);

}  // namespace tuneflash::app

// TFormMain: the observer seam the sequences report to, and the run journal
// kept from it: a time-stamped log line per step, the box tally, the reason
// of the last failure and the progress bar: the share of the job done, its
// rate and time left, all as the run computed them.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTime>
#include <algorithm>
#include <cstdint>

#include "app/form_main.h"
#include "app/port_combo_box.h"
#include "app/port_lamp.h"
#include "link/upgrade_status.h"

namespace tuneflash::app {
namespace {

// The log keeps the latest lines of a long day at the desk.
constexpr int kLogLineLimit = 20000;

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsPercentText(std::string_view text) {
  for (const std::string_view prefix : {kTransferPercentPrefix, kErasePercentPrefix, kProgramPercentPrefix}) {
    if (text.starts_with(prefix)) return true;
  }
  return false;
}

QString StatusQString(int status) {
  return ToQString(*StatusText(status));
}

// Where the bar stands for the job's progress, of `steps`: the share of the
// job's bytes when their total is known (a download), else the partitions
// of the running phase (an upload, whose sizes come from the box).
int BarPosition(const JobProgress& progress, int steps) {
  const auto scaled = [steps](std::uint64_t done, std::uint64_t total) {
    return static_cast<int>(std::min(done, total) * static_cast<std::uint64_t>(steps) / total);
  };
  if (progress.total > 0) return scaled(progress.done, progress.total);
  if (progress.partitions > 0)
    return scaled(static_cast<std::uint64_t>(std::max(progress.partitionsDone, 0)),
                  static_cast<std::uint64_t>(progress.partitions));
  return 0;
}

}  // namespace

void TFormMain::ShowStatus(std::string_view text) {
  // A run the person stopped ends on "Stopped", not on the failure text of
  // the step it cut short.
  const bool stopped = stoppedByUser_ && runActive_;
  if (stopped && w_.E_Start->text() == QLatin1String(kStoppedText)) return;
  const QString line = stopped ? QString::fromLatin1(kStoppedText) : ToQString(text);
  if (!IsPercentText(text)) {
    // Every other text is a step of the run: it goes to the log (before the
    // status line changes).
    AddStampedLine(line);
    if (line == StatusQString(kUpdateSuccess)) {
      ++tally_.ok;
      AddStampedLine(QStringLiteral("Boxes since start: ") + QString::fromStdString(tally_.Text()));
      RefreshStatusTooltip();
      counter_.Refresh();
    }
  }
  RefreshProgressTooltip();
  w_.E_Start->setText(line);
}

void TFormMain::SetRunControlsEnabled(bool enabled) {
  for (QWidget* control :
       std::initializer_list<QWidget*>{w_.CB_Com, w_.CB_Upg, w_.P_Open, w_.P_Start, w_.P_VerInfo}) {
    control->setEnabled(enabled);
  }
}

void TFormMain::AddLogLine(std::string_view line) {
  w_.LB_Info->addItem(ToQString(line));
  w_.LB_Info->scrollToBottom();
  // The log is kept hidden; once a sequence has logged something, Info can show it.
  w_.P_Info->setVisible(true);
}

void TFormMain::ResetProgress() {
  w_.ProgressBarMain->setValue(0);
  progress_ = {};
  RefreshProgressTooltip();
  // A new start, file or job: what went wrong before is no longer shown.
  PaintProgressBar(*w_.ProgressBarMain, false);
  retryShown_ = false;
  ShowNoteLine(QString(), false);
}

void TFormMain::OnJobProgress(const JobProgress& progress) {
  // The box answered again: the retry line has said its piece.
  if (retryShown_ && (progress.done > progress_.done || progress.lineBytes > progress_.lineBytes)) {
    retryShown_ = false;
    ShowNoteLine(QString(), false);
  }
  progress_ = progress;
  QProgressBar& bar = *w_.ProgressBarMain;
  bar.setValue(BarPosition(progress, bar.maximum()));
  RefreshProgressTooltip();
}

// ---- the journal ----

void TFormMain::ReportRunFailure(const QString& reason, bool portLost) {
  // A run the person stopped (Reset, Close, a port choice) did not fail.
  if (stoppedByUser_) return;
  ++tally_.failed;
  retryShown_ = false;
  lastFailure_ = reason;
  AddStampedLine(QStringLiteral("Boxes since start: ") + QString::fromStdString(tally_.Text()));
  AddStampedLine(QStringLiteral("Reason: ") + reason);
  w_.P_Info->setVisible(true);
  RefreshStatusTooltip();
  counter_.Refresh();
  // The reason in plain sight: its own line, the bar in the error colour
  // and the log open.
  ShowNoteLine(reason, true);
  PaintProgressBar(*w_.ProgressBarMain, true);
  if (!logVisible_) SB_InfoClick();
  if (portLost) {
    // The run's thread has closed the port, or is closing it.
    w_.Shape_ComState->SetOpen(false);
    w_.Shape_ComState->setToolTip(reason);
  }
}

void TFormMain::ReportFailure(const LinkFailure& failure) {
  ReportRunFailure(QString::fromStdString(DescribeFailure(failure)), failure.cause == FailureCause::PortGone);
}

void TFormMain::AddStampedLine(const QString& line) {
  QListWidget& log = *w_.LB_Info;
  while (log.count() >= kLogLineLimit) delete log.takeItem(0);
  log.addItem(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz  ")) + line);
  log.scrollToBottom();
}

void TFormMain::ShowNoteLine(const QString& text, bool failure, bool offerUndo) {
  QLabel& line = *w_.L_Reason;
  line.setToolTip(text);
  if (text.isEmpty()) {
    line.clear();
    return;
  }
  const QString undo = QStringLiteral("Undo");
  const int undoWidth = offerUndo ? line.fontMetrics().horizontalAdvance(QStringLiteral("  ") + undo) : 0;
  QString html =
      line.fontMetrics().elidedText(text, Qt::ElideRight, line.width() - undoWidth).toHtmlEscaped();
  if (failure) html = QStringLiteral("<span style=\"color:%1\">%2</span>").arg(ErrorColour().name(), html);
  if (offerUndo) html += QStringLiteral("&nbsp;&nbsp;<a href=\"undo\">%1</a>").arg(undo);
  line.setText(html);
}

void TFormMain::RefreshStatusTooltip() {
  QString tip = QStringLiteral("Boxes since start: ") + QString::fromStdString(tally_.Text());
  if (!lastFailure_.isEmpty())
    tip = QStringLiteral("Last failure: ") + lastFailure_ + QLatin1Char('\n') + tip;
  w_.E_Start->setToolTip(tip);
}

void TFormMain::RefreshProgressTooltip() {
  // The engine's figures of the transfer; the other phases have none.
  const bool transfer = progress_.phase == LinkPhase::Transfer;
  w_.ProgressBarMain->setToolTip(QString::fromStdString(FiguresText(
      transfer ? progress_.bytesPerSecond : std::nullopt, transfer ? progress_.timeLeft : std::nullopt)));
}

}  // namespace tuneflash::app

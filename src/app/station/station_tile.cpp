// A tile: its widgets, its lane and what the lane's events show on it.
#include "app/station/station_tile.h"

#include <QComboBox>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>

#include "link/system_com_port.h"

namespace tuneflash::app {
namespace {

// "program failed, partition 3": what went wrong first, then where.
QString CauseFirst(const LinkFailure& failure) {
  QString text = QString::fromStdString(std::string(CauseText(failure.cause)));
  if (failure.partition > 0) text += QStringLiteral(", partition %1").arg(failure.partition);
  if (failure.block > 0) text += QStringLiteral(", block %1").arg(failure.block);
  text +=
      QStringLiteral(" (") + QString::fromStdString(std::string(PhaseText(failure.phase))) + QLatin1Char(')');
  return text;
}

constexpr int kBarSteps = 1000;

// Background and text colour of each state, readable from across the bench.
struct StateColours {
  const char* background;
  const char* text;
};

StateColours ColoursOf(TileState state) {
  switch (state) {
    case TileState::Stopped:
      return {"#d9d9d9", "#404040"};
    case TileState::Waiting:
      return {"#cfe2f3", "#1c4587"};
    case TileState::Writing:
      return {"#ffd966", "#5b3f00"};
    case TileState::Verifying:
      return {"#b4a7d6", "#20124d"};
    case TileState::Pass:
      return {"#38a838", "#ffffff"};
    case TileState::Fail:
      return {"#cc0000", "#ffffff"};
    case TileState::NoDevice:
      return {"#666666", "#ffffff"};
  }
  return {"#ffffff", "#000000"};
}

bool DeviceIsThere(const QString& path) {
  std::error_code ec;
  return !path.isEmpty() && std::filesystem::exists(path.toStdString(), ec);
}

// "ttyUSB0", "pts/3": the path without /dev/; other paths whole.
QString ShortDevicePath(const QString& path) {
  const QString dev = QStringLiteral("/dev/");
  return path.startsWith(dev) ? path.mid(dev.size()) : path;
}

}  // namespace

const char* TileStateText(TileState state) {
  switch (state) {
    case TileState::Stopped:
      return "stopped";
    case TileState::Waiting:
      return "waiting for a box";
    case TileState::Writing:
      return "writing";
    case TileState::Verifying:
      return "verifying";
    case TileState::Pass:
      return "pass";
    case TileState::Fail:
      return "fail";
    case TileState::NoDevice:
      return "no device";
  }
  return "";
}

StationTile::StationTile(int index, QWidget* parent) : QFrame(parent), index_(index) {
  setObjectName(QStringLiteral("Tile%1").arg(index + 1));
  setFrameShape(QFrame::StyledPanel);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumWidth(260);
  auto* grid = new QGridLayout(this);
  title_ = new QLabel(portName(), this);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  devices_ = new QComboBox(this);
  devices_->setObjectName(QStringLiteral("Device"));
  devices_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  devices_->setMinimumContentsLength(12);
  state_label_ = new QLabel(this);
  state_label_->setObjectName(QStringLiteral("State"));
  state_label_->setAlignment(Qt::AlignCenter);
  state_label_->setMinimumHeight(56);
  QFont large = state_label_->font();
  large.setPointSizeF(QFontInfo(large).pointSizeF() * 1.8);
  large.setBold(true);
  state_label_->setFont(large);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("Status"));
  bar_ = new QProgressBar(this);
  bar_->setRange(0, kBarSteps);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  bar_->setMaximumHeight(14);
  figures_ = new QLabel(this);
  figures_->setObjectName(QStringLiteral("Figures"));
  counter_label_ = new QLabel(this);
  counter_label_->setObjectName(QStringLiteral("Counter"));
  counter_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  reason_ = new QLabel(this);
  reason_->setObjectName(QStringLiteral("Reason"));
  reason_->setStyleSheet(QStringLiteral("color: #cc0000;"));
  reason_->setMinimumWidth(1);
  toggle_ = new QPushButton(QStringLiteral("Start"), this);
  toggle_->setObjectName(QStringLiteral("Toggle"));
  grid->addWidget(title_, 0, 0);
  grid->addWidget(devices_, 0, 1, 1, 2);
  grid->addWidget(state_label_, 1, 0, 1, 3);
  grid->addWidget(status_, 2, 0, 1, 3);
  grid->addWidget(bar_, 3, 0, 1, 3);
  grid->addWidget(figures_, 4, 0, 1, 2);
  grid->addWidget(counter_label_, 4, 2);
  grid->addWidget(reason_, 5, 0, 1, 3);
  grid->addWidget(toggle_, 6, 2);
  grid->setColumnStretch(1, 1);
  // Each line keeps its height while empty, so the tile does not jump as texts come and go.
  for (QLabel* line : {status_, figures_, counter_label_, reason_})
    line->setMinimumHeight(line->fontMetrics().height());
  counter_ = std::make_unique<BoxCounter>(*counter_label_, tally_);
  connect(toggle_, &QPushButton::clicked, this, &StationTile::toggleRequested);
  connect(devices_, &QComboBox::activated, this, &StationTile::deviceChosen);
  reopen_.setSingleShot(false);
  connect(&reopen_, &QTimer::timeout, this, &StationTile::TryReopen);
  SetState(TileState::Stopped);
}

StationTile::~StationTile() {
  reopen_.stop();
  runner_.Stop();
}

QString StationTile::portName() const {
  return QStringLiteral("Port %1").arg(index_ + 1, 2, 10, QLatin1Char('0'));
}

void StationTile::SetDevices(const std::vector<PortDevice>& devices) {
  const QString chosen = device();
  devices_->clear();
  devices_->addItem(QStringLiteral("(no device)"), QString());
  for (const PortDevice& d : devices) {
    const QString path = QString::fromStdString(d.path);
    devices_->addItem(
        QStringLiteral("%1 — %2").arg(ShortDevicePath(path), QString::fromStdString(d.description)), path);
    devices_->setItemData(devices_->count() - 1, path, Qt::ToolTipRole);
  }
  SetDevice(chosen);
}

QString StationTile::device() const {
  return devices_->currentData().toString();
}

void StationTile::SetDevice(const QString& path) {
  int at = devices_->findData(path);
  if (at < 0) {
    devices_->addItem(QStringLiteral("%1 (not there)").arg(path), path);
    at = devices_->count() - 1;
  }
  devices_->setCurrentIndex(at);
  devices_->setToolTip(path);
}

void StationTile::SetLocked(bool locked) {
  locked_ = locked;
  devices_->setEnabled(!locked_ && !active());
}

void StationTile::Start(const TileRun& run) {
  if (active()) return;
  run_ = run;
  reason_->clear();
  reason_->setToolTip(QString());
  toggle_->setText(QStringLiteral("Stop"));
  SetLocked(locked_);
  emit activeChanged();
  OpenAndRun();
}

void StationTile::Stop() {
  if (!active()) return;
  if (runner_.running()) {
    // The lane's end follows within one poll and finishes the tile.
    runner_.Stop();
    return;
  }
  Finish();
  SetState(TileState::Stopped);
}

void StationTile::OpenAndRun() {
  const QString path = device();
  if (!DeviceIsThere(path)) {
    status_->setText(QStringLiteral("%1 is not there; it is opened when it comes back").arg(path));
    SetState(TileState::NoDevice);
    reopen_.start(run_->waits.reopenPoll);
    return;
  }
  if (!system_) system_ = MakeSystemComPort();
  lane_ = std::make_unique<PortLane>(*system_, LaneSetup{.port = portName().toStdString(),
                                                         .command = StationJobCommand(run_->job),
                                                         .runLog = run_->runLog,
                                                         .count = 0,
                                                         .goOnAfterFailure = true,
                                                         .timing = run_->waits.timing,
                                                         .pauseAfterSuccess = run_->waits.pauseAfterSuccess,
                                                         .boxesBefore = boxesRecorded_});
  if (const LinkStatus opened = lane_->Open(path.toStdString()); !opened) {
    ShowReason(QString::fromStdString(DescribeFailure(opened.error())));
    if (state_ == TileState::NoDevice) return;  // not ready yet: the next look tries again
    Finish();
    SetState(TileState::Fail);
    return;
  }
  reopen_.stop();
  SetState(TileState::Waiting);
  runner_.Start(
      *lane_, run_->make, [this](const RunEvent& event) { OnEvent(event); },
      [this](const LaneEnd& end) { OnLaneEnded(end); });
}

void StationTile::TryReopen() {
  if (!active() || runner_.running()) return;
  if (DeviceIsThere(device())) OpenAndRun();
}

void StationTile::OnEvent(const RunEvent& event) {
  if (std::holds_alternative<WaitingForBox>(event)) {
    // A pass or a fail stays in view until the next box says hello.
    if (state_ != TileState::Pass && state_ != TileState::Fail) SetState(TileState::Waiting);
  } else if (std::holds_alternative<BoxStarted>(event)) {
    boxReason_.clear();
    SetState(run_ && run_->job == StationJob::Verify ? TileState::Verifying : TileState::Writing);
    bar_->setValue(0);
    figures_->clear();
    counter_->SetBoxRunning(true);
  } else if (const auto* status = std::get_if<StatusLine>(&event)) {
    status_->setText(QString::fromStdString(status->text));
  } else if (const auto* progress = std::get_if<JobProgress>(&event)) {
    bytesKnown_ = progress->total > 0;
    if (bytesKnown_) bar_->setValue(static_cast<int>(progress->done * kBarSteps / progress->total));
    figures_->setText(QString::fromStdString(FiguresText(progress->bytesPerSecond, progress->timeLeft)));
  } else if (const auto* step = std::get_if<PartitionStep>(&event)) {
    // A job whose sizes come from the box moves its bar partition by partition.
    if (!bytesKnown_ && step->partitions > 0) {
      bar_->setValue(step->done * kBarSteps / step->partitions);
    }
  } else if (const auto* ended = std::get_if<PhaseEnded>(&event)) {
    // Programmed: the download is through and the read-back follows.
    if (run_ && run_->job == StationJob::DownloadThenVerify && ended->phase == LinkPhase::Program &&
        ended->succeeded && state_ == TileState::Writing) {
      bar_->setValue(0);
      SetState(TileState::Verifying);
    }
  } else if (const auto* failed = std::get_if<Failed>(&event)) {
    // A box's own failure follows its end, which showed it already; a stop is no failure.
    if (failed->reason != boxReason_ && failed->failure.cause != FailureCause::PortClosed) {
      ShowReason(QString::fromStdString(failed->reason));
    }
  } else if (const auto* box = std::get_if<BoxEnded>(&event)) {
    counter_->SetBoxRunning(false);
    if (box->stopped) {
      SetState(TileState::Stopped);
    } else if (box->succeeded) {
      ++tally_.ok;
      bar_->setValue(kBarSteps);
      ShowReason(QString());
      SetState(TileState::Pass);
    } else {
      ++tally_.failed;
      boxReason_ = box->reason;
      // The cause first, so a narrow tile still shows it; all of it in the tooltip.
      ShowReason(QStringLiteral("Box %1: %2")
                     .arg(box->box)
                     .arg(box->failure ? CauseFirst(*box->failure) : QString::fromStdString(box->reason)),
                 box->reason);
      SetState(TileState::Fail);
    }
    counter_->Refresh();
    emit boxEnded();
  }
}

void StationTile::OnLaneEnded(const LaneEnd& end) {
  boxesRecorded_ = end.boxesRecorded;
  counter_->SetBoxRunning(false);
  if (end.failure && end.failure->cause == FailureCause::PortGone && !end.stopped && active()) {
    // The adapter was pulled: watch for the same device to come back.
    ShowReason(QString::fromStdString(DescribeFailure(*end.failure)));
    status_->setText(QStringLiteral("%1 went away; it is opened when it comes back").arg(device()));
    SetState(TileState::NoDevice);
    reopen_.start(run_->waits.reopenPoll);
    return;
  }
  Finish();
  if (end.stopped || !end.failure) {
    SetState(TileState::Stopped);
  } else {
    ShowReason(QString::fromStdString(DescribeFailure(*end.failure)));
    SetState(TileState::Fail);
  }
}

void StationTile::Finish() {
  reopen_.stop();
  run_.reset();
  toggle_->setText(QStringLiteral("Start"));
  SetLocked(locked_);
  emit activeChanged();
}

void StationTile::SetState(TileState state) {
  state_ = state;
  const StateColours colours = ColoursOf(state);
  state_label_->setText(QString::fromLatin1(TileStateText(state)));
  state_label_->setStyleSheet(QStringLiteral("background: %1; color: %2; border-radius: 4px;")
                                  .arg(QLatin1String(colours.background), QLatin1String(colours.text)));
  bar_->setStyleSheet(
      state == TileState::Fail ? QStringLiteral("QProgressBar::chunk { background: #cc0000; }") : QString());
}

void StationTile::ShowReason(const QString& line, const std::string& whole) {
  // One line; the whole text in the tooltip.
  reason_->setToolTip(whole.empty() ? line : line + QLatin1Char('\n') + QString::fromStdString(whole));
  reason_->setProperty("line", line);
  ElideReason();
}

void StationTile::ElideReason() {
  reason_->setText(reason_->fontMetrics().elidedText(reason_->property("line").toString(), Qt::ElideRight,
                                                     reason_->width()));
}

void StationTile::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  ElideReason();
}

}  // namespace tuneflash::app

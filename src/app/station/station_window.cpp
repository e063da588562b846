// The station window: its controls, its tiles and the shift's totals.
#include "app/station/station_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app_names.h"
#include "app/station/record_list.h"
#include "app/station/station_tile.h"
#include "dld/file_io.h"
#include "dld/records.h"
#include "runlog/run_log_file.h"

namespace tuneflash::app {
namespace {

constexpr int kTileColumns = 4;

QString IdentityText(const FileFacts& facts) {
  if (!facts.identity) return {};
  const FILE_DOWNLOAD_HEADER_T& h = *facts.identity;
  return QStringLiteral("%1 · hardware %2 %3 · software %4 %5 · ident %6 · %7 partitions")
      .arg(QString::fromStdString(FieldText(h.acManufacture)),
           QString::fromStdString(FieldText(h.acHardwareModule)),
           QString::fromStdString(FieldText(h.acHardwareVersion)),
           QString::fromStdString(FieldText(h.acSoftwareModule)),
           QString::fromStdString(FieldText(h.acSoftwareVersion)))
      .arg(h.ucIdent)
      .arg(h.ucPartitionCount);
}

QLabel* NamedLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

StationWindow::StationWindow(StationServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), store_(services_.setupFile) {
  setObjectName(QStringLiteral("StationWindow"));
  setWindowTitle(QStringLiteral("%1 — Station").arg(QString::fromLatin1(kMainCaption)));
  setup_ = store_.Load();
  if (!services_.runLog.empty()) {
    RunLogFailure failure;
    if (auto opened = RunLogFile::Open(services_.runLog, failure)) {
      runLog_ = std::make_shared<const RunLogFile>(std::move(*opened));
      tail_ = std::make_unique<RecordTail>(services_.runLog);
      tail_->SkipExisting();
    }
  }
  BuildControls();
  BuildShortcuts();
  SetTileCount(static_cast<int>(setup_.devices.size()));
  for (int i = 0; i < tileCount(); ++i) tile(i).SetDevice(setup_.devices[i]);
  RefreshDevices();
  if (!setup_.file.isEmpty()) LoadFile(setup_.file, true);
  ShowFile();
  shift_.start();
  RefreshTotals();
  if (!runLog_ && !services_.runLog.empty()) {
    totalsText_->setText(QStringLiteral("no record of the boxes: %1 cannot be opened")
                             .arg(QString::fromStdString(services_.runLog.string())));
  }
  // The device lists follow adapters and simulated boxes; the totals the record file.
  refresh_.setInterval(3000);
  connect(&refresh_, &QTimer::timeout, this, [this] {
    RefreshDevices();
    RefreshTotals();
  });
  refresh_.start();
  UpdateControls();
  resize(1100, 640);
}

StationWindow::~StationWindow() {
  for (StationTile* t : tiles_) t->Stop();
}

void StationWindow::BuildControls() {
  auto* top = new QHBoxLayout;
  job_ = new QComboBox(this);
  job_->setObjectName(QStringLiteral("Job"));
  for (int j = 0; j < kStationJobCount; ++j)
    job_->addItem(QString::fromLatin1(StationJobText(StationJob(j))));
  job_->setCurrentIndex(setup_.job);
  fileName_ = new QLineEdit(this);
  fileName_->setObjectName(QStringLiteral("File"));
  fileName_->setReadOnly(true);
  open_ = new QPushButton(QStringLiteral("Open…"), this);
  open_->setObjectName(QStringLiteral("Open"));
  lock_ = new QCheckBox(QStringLiteral("Lock"), this);
  lock_->setObjectName(QStringLiteral("Lock"));
  lock_->setChecked(setup_.locked);
  ports_ = new QSpinBox(this);
  ports_->setObjectName(QStringLiteral("Ports"));
  ports_->setRange(1, kMaxStationPorts);
  ports_->setValue(static_cast<int>(setup_.devices.size()));
  top->addWidget(new QLabel(QStringLiteral("Job"), this));
  top->addWidget(job_);
  top->addWidget(new QLabel(QStringLiteral("File"), this));
  top->addWidget(fileName_, 1);
  top->addWidget(open_);
  top->addWidget(new QLabel(QStringLiteral("Ports"), this));
  top->addWidget(ports_);
  top->addWidget(lock_);

  identity_ = NamedLabel("Identity", this);
  sha_ = NamedLabel("Sha256", this);

  auto* actions = new QHBoxLayout;
  startAll_ = new QPushButton(QStringLiteral("Start all"), this);
  startAll_->setObjectName(QStringLiteral("StartAll"));
  stopAll_ = new QPushButton(QStringLiteral("Stop all"), this);
  stopAll_->setObjectName(QStringLiteral("StopAll"));
  records_ = new QPushButton(QStringLiteral("Records…"), this);
  records_->setObjectName(QStringLiteral("Records"));
  totalsText_ = NamedLabel("Totals", this);
  actions->addWidget(startAll_);
  actions->addWidget(stopAll_);
  actions->addWidget(records_);
  actions->addWidget(totalsText_, 1);

  auto* area = new QScrollArea(this);
  area->setWidgetResizable(true);
  auto* holder = new QWidget(area);
  // The tiles keep their height at the top; fewer than a row keep their width at the left.
  auto* stack = new QVBoxLayout(holder);
  grid_ = new QGridLayout;
  stack->addLayout(grid_);
  stack->addStretch(1);
  area->setWidget(holder);

  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addWidget(identity_);
  column->addWidget(sha_);
  column->addLayout(actions);
  column->addWidget(area, 1);

  connect(job_, &QComboBox::activated, this, [this](int index) {
    setup_.job = index;
    // A job that writes needs a file it may open for writing, as a download does.
    if (file_ && StationJobWrites(StationJob(index)) && !IsReadWritable(file_->link.path)) {
      services_.messages.ShowError(this, QString::fromLatin1(kApplicationTitle),
                                   QStringLiteral("%1 cannot be opened for reading and writing")
                                       .arg(QString::fromStdString(file_->link.path.string())));
    }
    SaveSetup();
  });
  connect(open_, &QPushButton::clicked, this, &StationWindow::ChooseFile);
  connect(lock_, &QCheckBox::toggled, this, [this] {
    SaveSetup();
    UpdateControls();
  });
  connect(ports_, &QSpinBox::valueChanged, this, [this](int count) {
    SetTileCount(count);
    SaveSetup();
  });
  connect(startAll_, &QPushButton::clicked, this, &StationWindow::StartAll);
  connect(stopAll_, &QPushButton::clicked, this, &StationWindow::StopAll);
  connect(records_, &QPushButton::clicked, this, &StationWindow::ShowRecords);
}

void StationWindow::BuildShortcuts() {
  for (const QKeySequence& key :
       {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, &StationWindow::StartAll);
  }
  auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
  connect(space, &QShortcut::activated, this, &StationWindow::ToggleFocusedTile);
}

void StationWindow::ToggleFocusedTile() {
  for (QWidget* w = focusWidget(); w != nullptr; w = w->parentWidget()) {
    if (auto* t = qobject_cast<StationTile*>(w)) {
      ToggleTile(*t);
      return;
    }
  }
  // Outside the tiles Space presses the focused button, as everywhere.
  if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
      button != nullptr && button->isEnabled()) {
    button->click();
  }
}

void StationWindow::SetTileCount(int count) {
  while (tileCount() > count) {
    StationTile* last = tiles_.back();
    tiles_.pop_back();
    last->Stop();
    delete last;
  }
  while (tileCount() < count) {
    auto* t = new StationTile(tileCount(), grid_->parentWidget());
    t->SetDevices(devices_);
    const int index = tileCount();
    grid_->addWidget(t, index / kTileColumns, index % kTileColumns);
    tiles_.push_back(t);
    connect(t, &StationTile::toggleRequested, this, [this, t] { ToggleTile(*t); });
    connect(t, &StationTile::deviceChosen, this, &StationWindow::SaveSetup);
    connect(t, &StationTile::boxEnded, this, &StationWindow::RefreshTotals);
    connect(t, &StationTile::activeChanged, this, &StationWindow::UpdateControls);
  }
  grid_->setColumnStretch(kTileColumns, count < kTileColumns ? 1 : 0);
  UpdateControls();
}

void StationWindow::ToggleTile(StationTile& t) {
  if (t.active()) {
    t.Stop();
  } else {
    StartTile(t);
  }
}

bool StationWindow::StartTile(StationTile& t) {
  if (t.active()) return true;
  if (!file_) {
    services_.messages.ShowError(this, QString::fromLatin1(kApplicationTitle),
                                 QStringLiteral("Choose the file of the job first."));
    return false;
  }
  if (t.device().isEmpty()) {
    services_.messages.ShowError(this, QString::fromLatin1(kApplicationTitle),
                                 QStringLiteral("%1 has no device: choose one first.").arg(t.portName()));
    return false;
  }
  if (!startedOnce_) {
    // Locked from the first Start: a stray click cannot change the job mid-shift.
    startedOnce_ = true;
    lock_->setChecked(true);
  }
  const auto job = StationJob(job_->currentIndex());
  t.Start(
      TileRun{.job = job, .make = MakeStationJob(job, file_), .runLog = runLog_, .waits = services_.waits});
  return true;
}

void StationWindow::StartAll() {
  if (!file_) {
    services_.messages.ShowError(this, QString::fromLatin1(kApplicationTitle),
                                 QStringLiteral("Choose the file of the job first."));
    return;
  }
  // Tiles without a device stay as they are.
  for (StationTile* t : tiles_) {
    if (!t->device().isEmpty()) StartTile(*t);
  }
}

void StationWindow::StopAll() {
  for (StationTile* t : tiles_) t->Stop();
}

void StationWindow::ChooseFile() {
  const auto chosen = services_.dialogs.AskOpenFile(
      this, FileDialogRequest{QStringLiteral("Open"), QStringLiteral("Download files (*.dld)"),
                              QStringLiteral("dld"), setup_.file, setup_.folder});
  if (chosen) LoadFile(*chosen, false);
}

void StationWindow::LoadFile(const QString& path, bool quiet) {
  try {
    file_ = LoadStationFile(path.toStdString(), StationJob(job_->currentIndex()));
    setup_.file = path;
    setup_.folder = QFileInfo(path).absolutePath();
    SaveSetup();
  } catch (const std::exception& e) {
    // The file chosen before stays.
    if (quiet) {
      identity_->setText(QString::fromStdString(e.what()));
    } else {
      services_.messages.ShowError(this, QString::fromLatin1(kApplicationTitle),
                                   QString::fromStdString(e.what()));
    }
    return;
  }
  ShowFile();
}

void StationWindow::ShowFile() {
  if (!file_) {
    fileName_->setText(setup_.file);
    if (setup_.file.isEmpty())
      identity_->setText(QStringLiteral("No file chosen: Open… picks the job's file."));
    sha_->clear();
    return;
  }
  fileName_->setText(QString::fromStdString(file_->link.path.string()));
  fileName_->setToolTip(fileName_->text());
  identity_->setText(IdentityText(file_->facts));
  sha_->setText(QStringLiteral("SHA-256 %1 · %2 bytes")
                    .arg(QString::fromStdString(file_->facts.sha256))
                    .arg(file_->link.bytes->size()));
}

void StationWindow::RefreshDevices() {
  const std::vector<PortDevice> devices = services_.ports.Devices();
  const auto same = [](const PortDevice& a, const PortDevice& b) {
    return a.path == b.path && a.description == b.description;
  };
  // Lists are refilled only when a device came or went, so an open list is left alone.
  const bool changed = !std::equal(devices.begin(), devices.end(), devices_.begin(), devices_.end(), same);
  if (!changed) return;
  devices_ = devices;
  for (StationTile* t : tiles_) t->SetDevices(devices_);
}

void StationWindow::RefreshTotals() {
  if (!tail_ || !runLog_) return;
  for (const StationRecord& record : tail_->ReadNew()) {
    if (record.runId == runLog_->origin().runId) totals_.Add(record);
  }
  const auto shift = std::chrono::seconds(shift_.elapsed() / 1000);
  totalsText_->setText(QStringLiteral("This shift: %1").arg(QString::fromStdString(totals_.Text(shift))));
}

bool StationWindow::locked() const {
  return lock_->isChecked();
}

bool StationWindow::AnyBusy() const {
  for (const StationTile* t : tiles_) {
    if (t->busy()) return true;
  }
  return false;
}

bool StationWindow::AnyActive() const {
  for (const StationTile* t : tiles_) {
    if (t->active()) return true;
  }
  return false;
}

void StationWindow::UpdateControls() {
  // The job, the file and the ports change only while unlocked and every tile stopped.
  const bool open = !locked() && !AnyActive();
  job_->setEnabled(open);
  open_->setEnabled(open);
  ports_->setEnabled(open);
  for (StationTile* t : tiles_) t->SetLocked(locked());
}

void StationWindow::SaveSetup() {
  setup_.locked = locked();
  setup_.devices.clear();
  for (const StationTile* t : tiles_) setup_.devices << t->device();
  store_.Save(setup_);
}

void StationWindow::ShowRecords() {
  if (services_.runLog.empty()) return;
  auto* list = new RecordList(services_.runLog, this);
  list->setAttribute(Qt::WA_DeleteOnClose);
  list->show();
}

void StationWindow::closeEvent(QCloseEvent* event) {
  if (AnyBusy() && !services_.messages.ConfirmYesCancel(
                       this, QString::fromLatin1(kApplicationTitle),
                       QStringLiteral("A box is being written. Stop every port and close the station?"))) {
    event->ignore();
    return;
  }
  StopAll();
  event->accept();
}

}  // namespace tuneflash::app

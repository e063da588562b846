// The channel editor window.
#include "app/channel_editor.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app_names.h"
#include "app/channel_table_model.h"
#include "dld/file_io.h"

namespace tuneflash::app {
namespace {

QString PathText(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

QPushButton* AddButton(QHBoxLayout* row, QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setFocusPolicy(Qt::TabFocus);
  row->addWidget(button);
  return button;
}

}  // namespace

std::unique_ptr<ChannelEditor> ChannelEditor::Open(const std::filesystem::path& path, FileDialogs& dialogs,
                                                   MessageBoxes& messages, QString& failure) {
  auto db = std::make_unique<BoxDatabase>();
  ConversionState state;
  try {
    if (!DldBytesToDatabase(ReadWholeFile(path), *db, state)) {
      failure = QString::fromStdString(state.failure);
      return nullptr;
    }
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
    return nullptr;
  }
  return std::unique_ptr<ChannelEditor>(
      new ChannelEditor(path, std::move(db), std::move(state), dialogs, messages));
}

ChannelEditor::ChannelEditor(const std::filesystem::path& path, std::unique_ptr<BoxDatabase> db,
                             ConversionState state, FileDialogs& dialogs, MessageBoxes& messages)
    : QWidget(nullptr, Qt::Window),
      path_(path),
      db_(std::move(db)),
      state_(std::move(state)),
      dialogs_(dialogs),
      messages_(messages) {
  setObjectName(QStringLiteral("ChannelEditor"));
  setWindowTitle(QStringLiteral("Channels - %1").arg(QString::fromStdString(path.filename().string())));
  model_ = new ChannelTableModel(*db_, undo_, this);
  BuildWidgets();
  connect(model_, &ChannelTableModel::databaseChanged, this, &ChannelEditor::RefreshStatus);
  connect(&undo_, &QUndoStack::cleanChanged, this, &ChannelEditor::RefreshStatus);
  connect(model_, &ChannelTableModel::refused, this, [this](const QString& why) {
    note_ = why;
    RefreshStatus();
  });
  RefreshStatus();
  resize(760, 560);
}

ChannelEditor::~ChannelEditor() {
  undo_.clear();  // its commands refer to the model
}

void ChannelEditor::BuildWidgets() {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  filter_ = new QLineEdit(this);
  filter_->setObjectName(QStringLiteral("E_Filter"));
  filter_->setPlaceholderText(QStringLiteral("Filter: name, satellite, transponder, type"));
  filter_->setClearButtonEnabled(true);
  top->addWidget(filter_, 1);
  auto* undo = AddButton(top, this, QStringLiteral("Undo"), "SB_Undo");
  auto* redo = AddButton(top, this, QStringLiteral("Redo"), "SB_Redo");
  auto* remove = AddButton(top, this, QStringLiteral("Delete"), "SB_Delete");
  auto* save = AddButton(top, this, QStringLiteral("Save as\u2026"), "SB_SaveAs");
  layout->addLayout(top);

  proxy_ = new QSortFilterProxyModel(this);
  proxy_->setSourceModel(model_);
  proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  proxy_->setFilterKeyColumn(-1);
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("TV_Channels"));
  view_->setModel(proxy_);
  view_->setSortingEnabled(true);
  view_->sortByColumn(ChannelTableModel::kPlace, Qt::AscendingOrder);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  view_->setDragEnabled(true);
  view_->setAcceptDrops(true);
  view_->setDragDropMode(QAbstractItemView::InternalMove);
  view_->setDropIndicatorShown(true);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  const int widths[] = {52, 170, 70, 96, 50, 74};
  for (int c = 0; c < ChannelTableModel::kFirstFavourite; ++c) view_->setColumnWidth(c, widths[c]);
  for (int c = ChannelTableModel::kFirstFavourite; c < ChannelTableModel::kColumnCount; ++c)
    view_->setColumnWidth(c, 30);
  view_->viewport()->installEventFilter(this);
  layout->addWidget(view_, 1);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("LB_Status"));
  layout->addWidget(status_);

  connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);
  connect(filter_, &QLineEdit::textChanged, this, &ChannelEditor::RefreshStatus);
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ChannelEditor::RefreshStatus);
  connect(undo, &QPushButton::clicked, &undo_, &QUndoStack::undo);
  connect(redo, &QPushButton::clicked, &undo_, &QUndoStack::redo);
  connect(&undo_, &QUndoStack::canUndoChanged, undo, &QPushButton::setEnabled);
  connect(&undo_, &QUndoStack::canRedoChanged, redo, &QPushButton::setEnabled);
  undo->setEnabled(false);
  redo->setEnabled(false);
  connect(remove, &QPushButton::clicked, this, &ChannelEditor::DeleteSelected);
  connect(save, &QPushButton::clicked, this, &ChannelEditor::SaveAs);

  auto shortcut = [this](const QKeySequence& keys, auto slot) {
    auto* s = new QShortcut(keys, this);
    s->setContext(Qt::WindowShortcut);
    connect(s, &QShortcut::activated, this, slot);
  };
  shortcut(QKeySequence::Undo, [this] { undo_.undo(); });
  shortcut(QKeySequence::Redo, [this] { undo_.redo(); });
  shortcut(QKeySequence::Delete, [this] { DeleteSelected(); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Up), [this] { MoveSelected(-1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { MoveSelected(1); });
  shortcut(QKeySequence::Save, [this] { SaveAs(); });
}

std::vector<Slot> ChannelEditor::SelectedSlots() const {
  std::vector<int> rows;
  for (const QModelIndex& i : view_->selectionModel()->selectedRows())
    rows.push_back(proxy_->mapToSource(i).row());
  std::sort(rows.begin(), rows.end());
  std::vector<Slot> chosen;
  for (const int row : rows) chosen.push_back(model_->SlotAt(row));
  return chosen;
}

void ChannelEditor::DeleteSelected() {
  model_->Delete(SelectedSlots());
}

void ChannelEditor::MoveSelected(int step) {
  model_->MoveBy(SelectedSlots(), step);
  const QModelIndexList rows = view_->selectionModel()->selectedRows();
  if (!rows.isEmpty()) view_->scrollTo(step < 0 ? rows.front() : rows.back());
}

void ChannelEditor::DropAt(const QPoint& position) {
  const QModelIndex target = view_->indexAt(position);
  int place = target.isValid() ? proxy_->mapToSource(target).row() : model_->rowCount();
  const std::vector<Slot> moving = SelectedSlots();
  // The place counts the programs above the target that stay where they are.
  int above = 0;
  for (const Slot s : moving) {
    const auto it = std::find(model_->order().begin(), model_->order().end(), s);
    if (it - model_->order().begin() < place) ++above;
  }
  model_->MoveTo(moving, place - above);
}

bool ChannelEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_->viewport() && event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (drop->source() == view_) {
      DropAt(drop->position().toPoint());
      drop->setDropAction(Qt::CopyAction);  // the view removes nothing itself
      drop->accept();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool ChannelEditor::SaveAs() {
  const QFileInfo source(PathText(path_));
  FileDialogRequest request{
      QStringLiteral("Save Channel List"), QStringLiteral("Settings Files(*.dld)"), QStringLiteral("dld"),
      source.completeBaseName() + QStringLiteral("_channels.dld"), source.absolutePath()};
  const auto chosen = dialogs_.AskSaveFile(this, request);
  if (!chosen) return false;
  try {
    // From a copy: the conversion marks the renewed system block as written.
    BoxDatabase copy = *db_;
    ConversionState state = state_;
    DatabaseToDld(chosen->toStdString(), copy, state);
  } catch (const std::exception& e) {
    messages_.ShowError(
        this, QString::fromLatin1(kApplicationTitle),
        QStringLiteral("%1\nwas not written: %2").arg(*chosen, QString::fromStdString(e.what())));
    return false;
  }
  undo_.setClean();
  note_ = QStringLiteral("saved to %1").arg(QFileInfo(*chosen).fileName());
  RefreshStatus();
  return true;
}

QString ChannelEditor::statusText() const {
  return status_->text();
}

void ChannelEditor::RefreshStatus() {
  QString text = QStringLiteral("%1 programs, %2 shown, %3 selected")
                     .arg(model_->rowCount())
                     .arg(proxy_->rowCount())
                     .arg(view_->selectionModel()->selectedRows().size());
  if (!undo_.isClean()) text += QStringLiteral(", changed");
  if (!note_.isEmpty()) text += QStringLiteral(" - ") + note_;
  status_->setText(text);
}

void ChannelEditor::closeEvent(QCloseEvent* event) {
  if (!undo_.isClean() &&
      !messages_.ConfirmYesCancel(this, QString::fromLatin1(kApplicationTitle),
                                  QStringLiteral("Close without saving the changes to the channel list?"))) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace tuneflash::app

// The program table model and its undoable commands.
#include "app/channel_table_model.h"

#include <QUndoCommand>
#include <algorithm>
#include <unordered_set>

#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "boxdb/show_text.h"
#include "boxdb/transponders.h"
#include "channels/name_text.h"

namespace tuneflash::app {
namespace {

QString FromBox(const std::string& bytes) {
  return QString::fromStdString(NameToText(bytes));
}

class RenameCommand : public QUndoCommand {
 public:
  RenameCommand(ChannelTableModel& model, Slot slot, std::string before, std::string after)
      : model_(model), slot_(slot), before_(std::move(before)), after_(std::move(after)) {
    setText(QStringLiteral("rename %1").arg(FromBox(after_)));
  }
  void redo() override { model_.ApplyName(slot_, after_); }
  void undo() override { model_.ApplyName(slot_, before_); }

 private:
  ChannelTableModel& model_;
  Slot slot_;
  std::string before_, after_;
};

class FavouriteCommand : public QUndoCommand {
 public:
  FavouriteCommand(ChannelTableModel& model, Slot slot, int group, bool member)
      : model_(model), slot_(slot), group_(group), member_(member) {
    setText(QStringLiteral("favourite %1").arg(group + 1));
  }
  void redo() override { model_.ApplyFavourite(slot_, group_, member_); }
  void undo() override { model_.ApplyFavourite(slot_, group_, !member_); }

 private:
  ChannelTableModel& model_;
  Slot slot_;
  int group_;
  bool member_;
};

class OrderCommand : public QUndoCommand {
 public:
  OrderCommand(ChannelTableModel& model, std::vector<Slot> before, std::vector<Slot> after)
      : model_(model), before_(std::move(before)), after_(std::move(after)) {
    setText(QStringLiteral("move"));
  }
  void redo() override { model_.ApplyOrder(after_); }
  void undo() override { model_.ApplyOrder(before_); }

 private:
  ChannelTableModel& model_;
  std::vector<Slot> before_, after_;
};

// A deletion reaches into groups and the system block; its undo puts the
// whole database back as it was, which is exact since undo goes in order.
class DeleteCommand : public QUndoCommand {
 public:
  DeleteCommand(ChannelTableModel& model, std::vector<Slot> chosen)
      : model_(model), slots_(std::move(chosen)), saved_(std::make_unique<BoxDatabase>(model.database())) {
    setText(QStringLiteral("delete %1").arg(slots_.size()));
  }
  void redo() override { model_.ApplyDelete(slots_); }
  void undo() override { model_.Restore(*saved_); }

 private:
  ChannelTableModel& model_;
  std::vector<Slot> slots_;
  std::unique_ptr<BoxDatabase> saved_;
};

}  // namespace

ChannelTableModel::ChannelTableModel(BoxDatabase& db, QUndoStack& undo, QObject* parent)
    : QAbstractTableModel(parent), db_(db), undo_(undo) {
  Reread();
}

void ChannelTableModel::Reread() {
  order_ = ProgramListOrder(db_);
  rowOfSlot_.assign(kProgramCapacity, -1);
  for (std::size_t i = 0; i < order_.size(); ++i)
    rowOfSlot_[static_cast<std::size_t>(order_[i])] = static_cast<int>(i);
}

int ChannelTableModel::RowOf(Slot slot) const {
  return slot >= 0 && static_cast<std::size_t>(slot) < rowOfSlot_.size()
             ? rowOfSlot_[static_cast<std::size_t>(slot)]
             : -1;
}

int ChannelTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int ChannelTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ChannelTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Slot slot = SlotAt(index.row());
  const auto& p = db_.programsShow()[static_cast<std::size_t>(slot)];
  const int column = index.column();
  if (column >= kFirstFavourite) {
    if (role != Qt::CheckStateRole) return {};
    return IsInFavGroup(db_, column - kFirstFavourite, slot) ? Qt::Checked : Qt::Unchecked;
  }
  if (role == Qt::TextAlignmentRole && column == kPlace) return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const bool onSatellite = p.tp_source == kTpSourceSatellite;
  switch (column) {
    case kPlace:
      return index.row() + 1;
    case kName:
      return FromBox(p.name);
    case kSatellite: {
      const int sat = onSatellite ? GetTpSatIndex(db_, p.tp_index) : -1;
      if (sat < 0 || static_cast<std::size_t>(sat) >= db_.satellitesShow().size()) return QString();
      return QString::fromStdString(
          std::string(TrimBlanks(db_.satellitesShow()[static_cast<std::size_t>(sat)].longitude_text)));
    }
    case kTransponder: {
      if (!onSatellite || p.tp_index < 0 || static_cast<std::size_t>(p.tp_index) >= db_.satTpsShow().size()) {
        return QString();
      }
      return QString::fromStdString(GetTpFrequency(db_, p.tp_index) + " " +
                                    db_.satTpsShow()[static_cast<std::size_t>(p.tp_index)].polarisation_text);
    }
    case kType:
      return QString::fromLatin1(ProgramTypeName(p.service_type).data());
    case kScrambled:
      return p.scrambled != 0 ? QStringLiteral("yes") : QString();
    default:
      return {};
  }
}

QVariant ChannelTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"Place", "Name", "Satellite", "Transponder", "Type", "Scrambled"};
  if (section >= kFirstFavourite) return QStringLiteral("F%1").arg(section - kFirstFavourite + 1);
  return QString::fromLatin1(kTitles[section]);
}

Qt::ItemFlags ChannelTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
  if (!index.isValid()) return flags | Qt::ItemIsDropEnabled;
  if (index.column() == kName) flags |= Qt::ItemIsEditable;
  if (index.column() >= kFirstFavourite) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool ChannelTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid()) return false;
  const Slot slot = SlotAt(index.row());
  if (index.column() == kName && role == Qt::EditRole) return Rename(slot, value.toString());
  if (index.column() >= kFirstFavourite && role == Qt::CheckStateRole) {
    return SetFavourite(slot, index.column() - kFirstFavourite, value.toInt() == Qt::Checked);
  }
  return false;
}

bool ChannelTableModel::Rename(Slot slot, const QString& name) {
  const std::string& before = db_.programsShow()[static_cast<std::size_t>(slot)].name;
  const auto bytes = TextToName(name.toStdString(), before);
  if (!bytes) {
    return Refuse(QStringLiteral("\"%1\" has characters the box cannot show").arg(name));
  }
  if (const std::string fault = NameFault(*bytes); !fault.empty()) {
    return Refuse(QString::fromStdString(fault));
  }
  if (before == *bytes) return true;
  undo_.push(new RenameCommand(*this, slot, before, *bytes));
  return true;
}

bool ChannelTableModel::SetFavourite(Slot slot, int group, bool member) {
  if (IsInFavGroup(db_, group, slot) == member) return true;
  if (member && FavGroupCount(db_, group) >= static_cast<int>(kFavGroupMembers)) {
    return Refuse(QStringLiteral("favourite group %1 holds 200 programs already").arg(group + 1));
  }
  undo_.push(new FavouriteCommand(*this, slot, group, member));
  return true;
}

void ChannelTableModel::MoveTo(const std::vector<Slot>& chosen, int place) {
  const std::unordered_set<Slot> moving(chosen.begin(), chosen.end());
  std::vector<Slot> rest, block;
  for (const Slot s : order_) (moving.contains(s) ? block : rest).push_back(s);
  place = std::clamp(place, 0, static_cast<int>(rest.size()));
  rest.insert(rest.begin() + place, block.begin(), block.end());
  if (rest != order_) undo_.push(new OrderCommand(*this, order_, rest));
}

void ChannelTableModel::MoveBy(const std::vector<Slot>& chosen, int step) {
  const std::unordered_set<Slot> moving(chosen.begin(), chosen.end());
  std::vector<Slot> order = order_;
  const auto n = static_cast<std::ptrdiff_t>(order.size());
  // Each chosen program swaps with the neighbour on its way unless that one
  // is chosen too and cannot go on (a block at the end of the list stays).
  for (std::ptrdiff_t k = 0; k < n; ++k) {
    const std::ptrdiff_t i = step < 0 ? k : n - 1 - k;
    const std::ptrdiff_t j = i + step;
    const auto at = [&order](std::ptrdiff_t p) -> Slot& { return order[static_cast<std::size_t>(p)]; };
    if (!moving.contains(at(i)) || j < 0 || j >= n || moving.contains(at(j))) continue;
    std::swap(at(i), at(j));
  }
  if (order != order_) undo_.push(new OrderCommand(*this, order_, order));
}

void ChannelTableModel::Delete(const std::vector<Slot>& chosen) {
  if (!chosen.empty()) undo_.push(new DeleteCommand(*this, chosen));
}

bool ChannelTableModel::ApplyName(Slot slot, const std::string& name) {
  const bool done = RenameProgram(db_, slot, name);
  RowChanged(slot);
  return done;
}

bool ChannelTableModel::ApplyFavourite(Slot slot, int group, bool member) {
  bool done = true;
  if (member) {
    done = AddToFavGroup(db_, group, slot);
  } else {
    RemoveFromFavGroup(db_, group, slot);
  }
  RowChanged(slot);
  return done;
}

bool ChannelTableModel::ApplyOrder(const std::vector<Slot>& order) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<Slot> slotsBefore;
  for (const QModelIndex& i : before) slotsBefore.push_back(SlotAt(i.row()));
  const bool done = SetProgramOrder(db_, order);
  Reread();
  QModelIndexList after;
  for (int k = 0; k < before.size(); ++k)
    after << index(RowOf(slotsBefore[static_cast<std::size_t>(k)]), before[k].column());
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  emit databaseChanged();
  return done;
}

void ChannelTableModel::ApplyDelete(const std::vector<Slot>& chosen) {
  beginResetModel();
  for (const Slot s : chosen) DeleteProgram(db_, s);
  Reread();
  endResetModel();
  emit databaseChanged();
}

void ChannelTableModel::Restore(const BoxDatabase& saved) {
  beginResetModel();
  db_ = saved;
  Reread();
  endResetModel();
  emit databaseChanged();
}

bool ChannelTableModel::Refuse(const QString& why) {
  emit refused(why);
  return false;
}

void ChannelTableModel::RowChanged(Slot slot) {
  const int row = RowOf(slot);
  if (row >= 0) emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
  emit databaseChanged();
}

}  // namespace tuneflash::app

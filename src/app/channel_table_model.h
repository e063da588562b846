// ChannelTableModel: the program list of a channel database as a Qt table,
// read from the database on every request (no copy of it), one row per
// program in list order. Edits made in the view (a name, a favourite box)
// become undoable commands on the model's undo stack; the commands change
// the database through its operations and tell the views.
#pragma once

#include <QAbstractTableModel>
#include <QUndoStack>
#include <memory>
#include <vector>

#include "boxdb/box_database.h"

namespace tuneflash::app {

class ChannelTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kPlace, kName, kSatellite, kTransponder, kType, kScrambled, kFirstFavourite };
  static constexpr int kColumnCount = kFirstFavourite + static_cast<int>(kFavGroupCapacity);

  ChannelTableModel(BoxDatabase& db, QUndoStack& undo, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

  const BoxDatabase& database() const { return db_; }
  Slot SlotAt(int row) const { return order_[static_cast<std::size_t>(row)]; }
  const std::vector<Slot>& order() const { return order_; }

  // Undoable edits, each one entry of the undo stack. False (and refused()
  // saying why) when the database would refuse it.
  bool Rename(Slot slot, const QString& name);
  bool SetFavourite(Slot slot, int group, bool member);
  // The chosen programs, in list order, to `place` (0 = first); by `step`
  // places each (-1 up, 1 down), a block at an end staying there.
  void MoveTo(const std::vector<Slot>& chosen, int place);
  void MoveBy(const std::vector<Slot>& chosen, int step);
  void Delete(const std::vector<Slot>& chosen);

  // The steps the commands take (no undo entry of their own).
  bool ApplyName(Slot slot, const std::string& name);
  bool ApplyFavourite(Slot slot, int group, bool member);
  bool ApplyOrder(const std::vector<Slot>& order);
  void ApplyDelete(const std::vector<Slot>& chosen);
  void Restore(const BoxDatabase& saved);

 signals:
  // After every change of the database (an edit, an undo, a redo).
  void databaseChanged();
  // An edit the database would refuse, and why.
  void refused(const QString& why);

 private:
  void RowChanged(Slot slot);
  int RowOf(Slot slot) const;
  void Reread();
  bool Refuse(const QString& why);

  BoxDatabase& db_;
  QUndoStack& undo_;
  std::vector<Slot> order_;
  std::vector<int> rowOfSlot_;
};

}  // namespace tuneflash::app

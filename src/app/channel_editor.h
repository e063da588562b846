// ChannelEditor: a window over the channel database of one Data download
// file: the program table with sort and filter, in-place rename, Delete,
// drag and Ctrl+Up/Down to move, favourite boxes, Undo/Redo of every edit, a
// status line with counts, and Save as... to a new file.
#pragma once

#include <QUndoStack>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/ui_services.h"
#include "boxdb/box_database.h"
#include "satcodx/database_conversion.h"

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace tuneflash::app {

class ChannelTableModel;

class ChannelEditor : public QWidget {
  Q_OBJECT

 public:
  // Reads and decodes `path`; the reason when it is not a sound Data file.
  static std::unique_ptr<ChannelEditor> Open(const std::filesystem::path& path, FileDialogs& dialogs,
                                             MessageBoxes& messages, QString& failure);
  ~ChannelEditor() override;

  ChannelTableModel& model() { return *model_; }
  QTableView& view() { return *view_; }
  QUndoStack& undoStack() { return undo_; }
  QLineEdit& filter() { return *filter_; }
  QString statusText() const;

  // The programs of the selected rows, in list order.
  std::vector<Slot> SelectedSlots() const;
  void DeleteSelected();
  void MoveSelected(int step);
  // Asks for a file (a new one beside the source by default) and writes it.
  bool SaveAs();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ChannelEditor(const std::filesystem::path& path, std::unique_ptr<BoxDatabase> db, ConversionState state,
                FileDialogs& dialogs, MessageBoxes& messages);
  void BuildWidgets();
  void RefreshStatus();
  void DropAt(const QPoint& position);

  std::filesystem::path path_;
  std::unique_ptr<BoxDatabase> db_;
  ConversionState state_;
  FileDialogs& dialogs_;
  MessageBoxes& messages_;
  QUndoStack undo_;
  ChannelTableModel* model_ = nullptr;
  QSortFilterProxyModel* proxy_ = nullptr;
  QTableView* view_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QLabel* status_ = nullptr;
  QString note_;  // the last refusal or save, shown after the counts
};

}  // namespace tuneflash::app

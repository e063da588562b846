// The list of records: the boxes in runs.jsonl (the newest few thousand),
// newest first, filtered by port and by result.
#pragma once

#include <QDialog>
#include <filesystem>
#include <vector>

#include "app/station/station_records.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace tuneflash::app {

class RecordList : public QDialog {
  Q_OBJECT
 public:
  // Reads the end of `runLog` once, when the list opens.
  explicit RecordList(const std::filesystem::path& runLog, QWidget* parent = nullptr);

  // The rows shown.
  int rowsShown() const;

 private:
  void Fill();

  std::vector<StationRecord> records_;  // newest first
  QComboBox* port_;
  QComboBox* result_;
  QTableWidget* table_;
  QLabel* count_;
};

}  // namespace tuneflash::app

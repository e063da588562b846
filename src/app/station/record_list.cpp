// The record list dialog.
#include "app/station/record_list.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace tuneflash::app {
namespace {

constexpr std::uintmax_t kNewestBytes = 4 << 20;  // some 7,000 records

const QStringList kColumns{QStringLiteral("End (UTC)"), QStringLiteral("Port"), QStringLiteral("Device"),
                           QStringLiteral("Box"),       QStringLiteral("Job"),  QStringLiteral("Result"),
                           QStringLiteral("Reason")};

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

RecordList::RecordList(const std::filesystem::path& runLog, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("RecordList"));
  setWindowTitle(QStringLiteral("Records: %1").arg(Text(runLog.string())));
  // The newest records: a file of years of boxes opens as quickly as a new one.
  RecordTail tail(runLog);
  tail.SkipAllBut(kNewestBytes);
  records_ = tail.ReadNew();
  std::reverse(records_.begin(), records_.end());

  port_ = new QComboBox(this);
  port_->setObjectName(QStringLiteral("PortFilter"));
  port_->addItem(QStringLiteral("All ports"), QString());
  std::set<std::string> ports;
  for (const StationRecord& r : records_) ports.insert(r.port);
  for (const std::string& p : ports) port_->addItem(Text(p), Text(p));
  result_ = new QComboBox(this);
  result_->setObjectName(QStringLiteral("ResultFilter"));
  result_->addItem(QStringLiteral("All results"), QString());
  for (const char* result : {"success", "failed", "stopped"})
    result_->addItem(result, QString::fromLatin1(result));
  count_ = new QLabel(this);

  table_ = new QTableWidget(this);
  table_->setObjectName(QStringLiteral("Records"));
  table_->setColumnCount(static_cast<int>(kColumns.size()));
  table_->setHorizontalHeaderLabels(kColumns);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);

  auto* filters = new QHBoxLayout;
  filters->addWidget(new QLabel(QStringLiteral("Port"), this));
  filters->addWidget(port_);
  filters->addWidget(new QLabel(QStringLiteral("Result"), this));
  filters->addWidget(result_);
  filters->addStretch(1);
  filters->addWidget(count_);
  auto* column = new QVBoxLayout(this);
  column->addLayout(filters);
  column->addWidget(table_, 1);
  connect(port_, &QComboBox::currentIndexChanged, this, &RecordList::Fill);
  connect(result_, &QComboBox::currentIndexChanged, this, &RecordList::Fill);
  Fill();
  resize(980, 520);
}

int RecordList::rowsShown() const {
  return table_->rowCount();
}

void RecordList::Fill() {
  const std::string port = port_->currentData().toString().toStdString();
  const std::string result = result_->currentData().toString().toStdString();
  table_->setRowCount(0);
  for (const StationRecord& r : records_) {
    if ((!port.empty() && r.port != port) || (!result.empty() && r.result != result)) continue;
    const int row = table_->rowCount();
    table_->insertRow(row);
    const QStringList cells{Text(r.end),     Text(r.port),   Text(r.device), QString::number(r.box),
                            Text(r.command), Text(r.result), Text(r.reason)};
    for (int c = 0; c < cells.size(); ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
  }
  table_->resizeColumnsToContents();
  count_->setText(QStringLiteral("%1 of %2 boxes").arg(table_->rowCount()).arg(records_.size()));
}

}  // namespace tuneflash::app

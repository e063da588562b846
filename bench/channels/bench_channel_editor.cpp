// Figures for the channel editor window on 4,000 programs (offscreen): open
// until the table is painted, and a move (Ctrl+Down) and a rename until the
// table is painted again.
#include <QApplication>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/channel_editor.h"
#include "app/channel_table_model.h"
#include "large_list.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class NoDialogs final : public tuneflash::app::FileDialogs {
 public:
  std::optional<QString> AskOpenFile(QWidget*, const tuneflash::app::FileDialogRequest&) override {
    return {};
  }
  std::optional<QString> AskSaveFile(QWidget*, const tuneflash::app::FileDialogRequest&) override {
    return {};
  }
};
class NoMessages final : public tuneflash::app::MessageBoxes {
 public:
  void ShowError(QWidget*, const QString&, const QString&) override {}
  bool ConfirmYesCancel(QWidget*, const QString&, const QString&) override { return true; }
  void AskYesNo(QWidget*, const QString&, const QString&, std::function<void(bool)> answer) override {
    answer(true);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  using namespace tuneflash;
  const auto dir =
      std::filesystem::temp_directory_path() / ("tuneflash-bench-editor-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = bench::WriteLargeDataFile(dir);
  NoDialogs dialogs;
  NoMessages messages;

  double open = 1e9, move = 1e9, rename = 1e9;
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    QString failure;
    auto editor = app::ChannelEditor::Open(path, dialogs, messages, failure);
    editor->show();
    editor->view().viewport()->repaint();
    QApplication::processEvents();
    open = std::min(open, MsSince(start));

    auto& view = editor->view();
    view.selectRow(2000);
    for (int k = 0; k < 10; ++k) {
      start = Clock::now();
      editor->MoveSelected(k % 2 == 0 ? 1 : -1);
      view.viewport()->repaint();
      QApplication::processEvents();
      move = std::min(move, MsSince(start));

      start = Clock::now();
      view.model()->setData(view.model()->index(2000, app::ChannelTableModel::kName),
                            QStringLiteral("Name %1").arg(k));
      view.viewport()->repaint();
      QApplication::processEvents();
      rename = std::min(rename, MsSince(start));
    }
    editor->undoStack().setClean();
  }
  std::printf("editor open, 4,000 programs:  %7.1f ms (best of 5, until painted)\n", open);
  std::printf("move one program (Ctrl+Down): %7.1f ms (best of 50, until painted)\n", move);
  std::printf("rename one program:           %7.1f ms (best of 50, until painted)\n", rename);
  std::filesystem::remove_all(dir);
  return 0;
}

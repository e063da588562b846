// A picture of the channel editor for the README: opens the Data file it is
// given, filters it, files some programs into favourite groups 1 and 2,
// moves one up and grabs the window with its frame (run on a virtual desktop, see
// scripts/screenshot-channels.sh).
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <iostream>

#include "app/channel_editor.h"
#include "app/channel_table_model.h"
#include "app/tuneflash_application.h"
#include "window_fakes.h"

int main(int argc, char** argv) {
  using namespace tuneflash::app;
  TuneflashApplication application(argc, argv);
  if (argc < 3) {
    std::cerr << "usage: tuneflash-channels-screenshot FILE.dld OUT.png [MAIN.png]\n";
    return 2;
  }
  testing::ScriptedDialogs dialogs;
  testing::RecordingMessages messages;
  QString failure;
  auto editor = ChannelEditor::Open(argv[1], dialogs, messages, failure);
  if (!editor) {
    std::cerr << failure.toStdString() << "\n";
    return 1;
  }
  editor->resize(820, 560);
  editor->show();
  auto& view = editor->view();
  auto* model = view.model();
  editor->filter().setText(QStringLiteral("HD"));
  for (const int row : {0, 1, 2, 4, 7, 9}) {
    model->setData(model->index(row, ChannelTableModel::kFirstFavourite), Qt::Checked, Qt::CheckStateRole);
  }
  for (const int row : {3, 4}) {
    model->setData(model->index(row, ChannelTableModel::kFirstFavourite + 1), Qt::Checked,
                   Qt::CheckStateRole);
  }
  view.selectRow(6);
  editor->MoveSelected(-1);
  view.scrollToTop();
  editor->raise();
  editor->activateWindow();
  QTest::qWait(600);
  const QRect frame = editor->frameGeometry();
  const QPixmap shot = editor->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  const bool saved = shot.save(QString::fromLocal8Bit(argv[2]));
  std::cout << (saved ? "saved " : "could not save ") << argv[2] << "\n";
  editor->undoStack().setClean();
  editor->close();
  if (argc < 4 || !saved) return saved ? 0 : 1;

  // The main window with the Data file chosen: its Channels… button.
  testing::WindowRig rig;
  rig.dialogs.answers << QString::fromLocal8Bit(argv[1]);
  rig.Click("SB_Open");
  rig.form.raise();
  rig.form.activateWindow();
  QTest::qWait(600);
  const QRect main = rig.form.frameGeometry();
  const bool mainSaved =
      rig.form.screen()->grabWindow(0, main.x(), main.y(), main.width(), main.height()).save(argv[3]);
  std::cout << (mainSaved ? "saved " : "could not save ") << argv[3] << "\n";
  return mainSaved ? 0 : 1;
}

// The channel editor on the sample database: rename, delete, move, favourites,
// undo of each, save as a new file, and the main window's ways in.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTableView>

#include "app/channel_editor.h"
#include "app/channel_table_model.h"
#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "dld/file_io.h"
#include "satcodx/sample_database.h"
#include "window_fakes.h"

namespace tuneflash::app::testing {
namespace {

using Model = ChannelTableModel;

std::filesystem::path WriteSample(const tuneflash::testing::TempDir& dir) {
  const auto db = SampleDatabase(DefaultSampleSatellites());  // 24 programs, slots 0..23 in order
  const auto path = dir / "box.dld";
  WriteFileAtomically(path, SampleDataFile(*db, 2, SampleIdentity()));
  return path;
}

std::vector<Slot> Order(const ChannelEditor& editor) {
  return ProgramListOrder(const_cast<ChannelEditor&>(editor).model().database());
}

}  // namespace

class WindowChannelsTest : public QObject {
  Q_OBJECT

  struct Rig {
    Rig() {
      QString failure;
      editor = ChannelEditor::Open(WriteSample(dir), dialogs, messages, failure);
      QVERIFY2(editor, qPrintable(failure));
      editor->show();
      QApplication::setActiveWindow(editor.get());
      QVERIFY(QTest::qWaitForWindowActive(editor.get()));
      editor->view().setFocus();
    }
    QModelIndex At(int row, int column) { return editor->view().model()->index(row, column); }
    void Select(std::initializer_list<int> rows) {
      editor->view().clearSelection();
      for (const int row : rows) {
        editor->view().selectionModel()->select(At(row, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
      }
    }
    const BoxDatabase& db() { return editor->model().database(); }

    tuneflash::testing::TempDir dir;
    ScriptedDialogs dialogs;
    RecordingMessages messages;
    std::unique_ptr<ChannelEditor> editor;
  };

 private slots:
  void RenameInPlaceAndRefuseWhatDoesNotFit() {
    Rig rig;
    auto* view = rig.editor->view().model();
    QCOMPARE(rig.editor->model().rowCount(), 24);
    QVERIFY(view->setData(rig.At(2, Model::kName), QStringLiteral("Caf\u00e9 Eins")));
    QCOMPARE(rig.db().programsShow()[2].name, std::string("Caf\xE9 Eins"));
    QCOMPARE(view->data(rig.At(2, Model::kName)).toString(), QStringLiteral("Caf\u00e9 Eins"));
    for (const char* bad : {"seventeen bytes!!", "\xE2\x82\xAC uro"}) {
      QVERIFY(!view->setData(rig.At(3, Model::kName), QString::fromUtf8(bad)));
    }
    QVERIFY(rig.editor->statusText().contains(QStringLiteral("characters the box cannot show")));
    QCOMPARE(rig.db().programsShow()[3].name, std::string("Old 10800/1"));
    rig.editor->undoStack().undo();
    QCOMPARE(rig.db().programsShow()[2].name, std::string("Old 10800/0"));
  }

  void DeleteSelectedRowsAndUndo() {
    Rig rig;
    rig.Select({1, 4});
    QVERIFY(rig.editor->statusText().startsWith(QStringLiteral("24 programs, 24 shown, 2 selected")));
    QTest::keyClick(&rig.editor->view(), Qt::Key_Delete);
    QCOMPARE(rig.editor->model().rowCount(), 22);
    QVERIFY(!IsProgramUsed(rig.db(), 1) && !IsProgramUsed(rig.db(), 4));
    QVERIFY(rig.editor->statusText().contains(QStringLiteral("changed")));
    rig.editor->undoStack().undo();
    QCOMPARE(rig.editor->model().rowCount(), 24);
    QCOMPARE(Order(*rig.editor)[4], Slot{4});
    rig.editor->undoStack().redo();
    QCOMPARE(rig.editor->model().rowCount(), 22);
  }

  void MoveWithKeysAndFilterAndUndo() {
    Rig rig;
    rig.Select({5, 6});
    QTest::keyClick(&rig.editor->view(), Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(&rig.editor->view(), Qt::Key_Up, Qt::ControlModifier);
    auto order = Order(*rig.editor);
    QCOMPARE(std::vector<Slot>(order.begin(), order.begin() + 7), (std::vector<Slot>{0, 1, 2, 5, 6, 3, 4}));
    QCOMPARE(rig.editor->SelectedSlots(), (std::vector<Slot>{5, 6}));  // the selection follows
    QTest::keyClick(&rig.editor->view(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(Order(*rig.editor)[4], Slot{5});
    rig.editor->model().MoveTo({0}, 23);
    QCOMPARE(Order(*rig.editor).back(), Slot{0});
    rig.editor->filter().setText(QStringLiteral("10900"));
    QCOMPARE(rig.editor->view().model()->rowCount(), 2);
    for (int k = 0; k < 4; ++k) rig.editor->undoStack().undo();
    order = Order(*rig.editor);
    for (std::size_t i = 0; i < order.size(); ++i) QCOMPARE(order[i], static_cast<Slot>(i));
  }

  void FavouriteBoxesAndSaveAsANewFile() {
    Rig rig;
    auto* view = rig.editor->view().model();
    QVERIFY(view->setData(rig.At(7, Model::kFirstFavourite + 2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(IsInFavGroup(rig.db(), 2, 7));
    QVERIFY(view->setData(rig.At(0, Model::kName), QStringLiteral("Erstes")));
    rig.Select({3});
    rig.editor->MoveSelected(1);
    rig.dialogs.answers << QString::fromStdString((rig.dir / "edited.dld").string());
    QVERIFY(rig.editor->SaveAs());
    QCOMPARE(rig.dialogs.saveRequests.back().initialName, QStringLiteral("box_channels.dld"));
    QVERIFY(!rig.editor->statusText().contains(QStringLiteral("changed")));

    auto saved = std::make_unique<BoxDatabase>();
    ConversionState state;
    QVERIFY(DldToDatabase(rig.dir / "edited.dld", *saved, state));
    QVERIFY(IsInFavGroup(*saved, 2, 7));
    QCOMPARE(saved->programsShow()[0].name, std::string("Erstes"));
    QCOMPARE(ProgramListOrder(*saved), ProgramListOrder(rig.db()));
    QCOMPARE(ReadWholeFile(rig.dir / "box.dld"), ReadWholeFile(rig.dir / "box.dld"));  // the source untouched

    rig.editor->undoStack().undo();
    rig.messages.answerYes = false;
    QVERIFY(!rig.editor->close());  // unsaved changes: asked, and kept open
    QCOMPARE(rig.messages.questions.size(), 1);
  }

  void MainWindowOffersTheEditorForADataFile() {
    WindowRig rig;
    auto* panel = rig.Child<QWidget>("P_Channels");
    auto* action = rig.Child<QAction>("NChannels");
    QVERIFY(panel && action);
    QVERIFY(!panel->isVisible() && !action->isEnabled());
    rig.dialogs.answers << QString::fromStdString(WriteSample(rig.dir).string());
    rig.Click("SB_Open");
    QTRY_VERIFY(panel->isVisible());
    QVERIFY(action->isEnabled());
    QVERIFY(!panel->geometry().intersects(rig.Child<QWidget>("CB_Upg")->geometry()));
    QTest::mouseClick(rig.Child<QPushButton>("SB_Channels"), Qt::LeftButton);
    ChannelEditor* editor = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* e = qobject_cast<ChannelEditor*>(w); e && e->isVisible()) editor = e;
    }
    QVERIFY(editor);
    QCOMPARE(editor->model().rowCount(), 24);
    editor->close();
    rig.Choose("CB_Upg", 1);  // Upload: no file chosen any more
    QTRY_VERIFY(!panel->isVisible());
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowChannelsTest)
#include "window_channels_test.moc"

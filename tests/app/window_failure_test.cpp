// Runs against the simulated box where something gets in the way: About and
// the context menu open during a download, a box that fails, a port that
// goes away under a transfer, and Close pressed while a box is written.
#include <QAction>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>

#include "app/form_about.h"
#include "app/port_lamp.h"
#include "box_rig.h"

namespace tuneflash::app::testing {
namespace {

QStringList LogLines(WindowRig& rig) {
  QStringList lines;
  auto* log = rig.Child<QListWidget>("LB_Info");
  for (int i = 0; i < log->count(); ++i) lines << log->item(i)->text();
  return lines;
}

}  // namespace

class WindowFailureTest : public QObject {
  Q_OBJECT

 private slots:
  void AboutAndTheMenuStayOpenWhileADownloadRuns() {
    BoxRig rig;
    rig.OpenLoaderFile();
    StatusLog log(*rig.Field("E_Start"));
    bool menuShown = false;
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Transfer..."); }, 1,
        [&] {
          QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 20),
                                      rig.form.mapToGlobal(QPoint(20, 20)));
          QCoreApplication::sendEvent(&rig.form, &menuEvent);  // returns at once: a popup
          auto* menu = rig.form.findChild<QMenu*>(QStringLiteral("PopupMenu"));
          menuShown = menu->isVisible();
          menu->hide();
          rig.form.findChild<QAction*>(QStringLiteral("NShowForm"))->trigger();
        });
    bool aboutShownAtSuccess = false;
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Update Success!"); }, 1,
        [&] {
          auto* about = rig.form.findChild<TFormAbout*>();
          aboutShownAtSuccess = about != nullptr && about->isVisible() && !about->isModal();
        });
    ResetAtTheNextBox(rig);
    rig.Click("SB_Sta");

    QVERIFY2(InOrder(log.texts, {"Transfer...", "Program flash Success!", "Update Success!"}),
             qPrintable(log.texts.join(QStringLiteral(" | "))));
    QVERIFY(aboutShownAtSuccess);
    QVERIFY(menuShown);
    QCOMPARE(rig.box.Record().downloadsCompleted, 1);
    // Its OK button closes it; a second About... opens a new one.
    auto* about = rig.form.findChild<TFormAbout*>();
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("BitBtn_OK")), Qt::LeftButton);
    QTRY_VERIFY(rig.form.findChild<TFormAbout*>() == nullptr);
    rig.form.NShowFormClick();
    QVERIFY(rig.form.findChild<TFormAbout*>()->isVisible());
  }

  void FailedRunKeepsItsReasonInTheLogAndShowsInfo() {
    boxsim::BoxFaults faults;
    faults.silentAfterBlock = 2;
    LinkTiming timing;
    timing.replyPolls = 300;  // a silent box fails the transfer within a second
    BoxRig rig(faults, timing);
    rig.OpenLoaderFile();
    StatusLog log(*rig.Field("E_Start"));
    ResetAtTheNextBox(rig);  // should it not fail
    rig.Click("SB_Sta");     // one pass: it fails

    QVERIFY2(InOrder(log.texts, {"Transfer...", "Transfer failed!", "Update failed!"}),
             qPrintable(log.texts.join(QStringLiteral(" | "))));
    QCOMPARE(rig.Status(), QStringLiteral("Update failed!"));
    QVERIFY(rig.Child<QWidget>("P_Info")->isVisible());
    const QStringList lines = LogLines(rig);
    // The link's reason: phase, partition, block and cause.
    QVERIFY2(lines.last().contains(QStringLiteral("  Reason: transfer, partition ")) &&
                 lines.last().contains(QStringLiteral("no reply")),
             qPrintable(lines.last()));
    // A time-stamped line per step, then the count of boxes, then the reason.
    const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  Verify\\.\\.\\.$"));
    QVERIFY(!lines.filter(stamped).isEmpty());
    QVERIFY(lines[lines.size() - 2].endsWith(QStringLiteral("Boxes since start: 0 ok, 1 failed")));
    const QString tip = rig.Field("E_Start")->toolTip();
    QVERIFY2(tip.contains(QStringLiteral("Last failure: transfer, partition ")), qPrintable(tip));
    QVERIFY(tip.contains(QStringLiteral("0 ok, 1 failed")));
    // The log opened by itself; Info hides it.
    QVERIFY(rig.Child<QWidget>("LB_Info")->isVisible());
    rig.Click("SB_Info");
    QVERIFY(!rig.Child<QWidget>("LB_Info")->isVisible());
  }

  void PortThatGoesAwayUnderATransferTurnsTheLampRed() {
    // The box hangs up its line like a pulled adapter once every block is in.
    boxsim::BoxFaults faults;
    faults.hangupWhileErasing = 0;
    BoxRig rig(faults);
    rig.OpenLoaderFile();
    auto* lamp = rig.Child<PortLamp>("Shape_ComState");
    QString rateTip;
    // The link closes a port whose device is gone; the window follows the port.
    WhenStatusShows(rig, "Transfering Data:  50%",
                    [&] { rateTip = rig.Child<QProgressBar>("ProgressBarMain")->toolTip(); });
    rig.Click("SB_Sta");

    QVERIFY(!rig.form.runActive());
    QCOMPARE(lamp->color(), QColor(Qt::red));
    QVERIFY2(rateTip.contains(QStringLiteral("KiB/s")) && rateTip.contains(QStringLiteral("left")),
             qPrintable(rateTip));
    const QString last = LogLines(rig).last();
    const QString reason = last.mid(last.indexOf(QStringLiteral("Reason: ")) + 8);
    QVERIFY2(reason.startsWith(QStringLiteral("erase")) && reason.contains(QStringLiteral("COM.01 (")) &&
                 reason.contains(QStringLiteral("went away")),
             qPrintable(last));
    QCOMPARE(lamp->toolTip(), reason);
    QVERIFY(rig.Child<QWidget>("P_Info")->isVisible());
    QVERIFY(rig.ControlsEnabled());
    QCOMPARE(rig.form.tally().failed, 1);
  }

  void CloseWhileWritingAsksAndNoGoesOn() {
    BoxRig rig({}, {}, 115200);
    rig.OpenLoaderFile();
    QSignalSpy exit(&rig.form, &TFormMain::exitRequested);
    rig.messages.yesNoAnswers = {false, false};
    bool resetHadFocus = false;
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Transfering Data:  25%"); }, 1,
        [&] {
          resetHadFocus = rig.Child<QPushButton>("SB_Reset")->hasFocus();
          rig.Click("SB_Close1");
          rig.form.close();  // the window manager's close
        });
    ResetAtTheNextBox(rig);
    rig.Click("SB_Sta");

    const QString question = QStringLiteral("A transfer is running. Stop it and quit?");
    QCOMPARE(rig.messages.yesNoQuestions, (QStringList{question, question}));
    QCOMPARE(exit.count(), 0);
    QVERIFY(rig.form.isVisible());
    QCOMPARE(rig.box.Record().downloadsCompleted, 1);
    QVERIFY(resetHadFocus);
    QVERIFY(rig.Child<QPushButton>("SB_Sta")->hasFocus());
    QCOMPARE(rig.form.tally().ok, 1);
    QVERIFY(rig.Field("E_Start")->toolTip().contains(QStringLiteral("1 ok, 0 failed")));
  }

  void ExitWhileWritingWithYesStopsAndQuits() {
    BoxRig rig({}, {}, 115200);
    rig.OpenLoaderFile();
    QSignalSpy exit(&rig.form, &TFormMain::exitRequested);
    StatusLog log(*rig.Field("E_Start"));
    rig.messages.yesNoAnswers = {true};
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Transfering Data:  25%"); }, 1,
        [&] { rig.form.findChild<QAction*>(QStringLiteral("NClose"))->trigger(); });
    rig.Click("SB_Sta");

    QCOMPARE(rig.messages.yesNoQuestions.size(), 1);
    QCOMPARE(exit.count(), 1);
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(!rig.form.runActive());
    QVERIFY(!log.texts.contains(QStringLiteral("Update failed!")));
    QCOMPARE(rig.form.tally().failed, 0);  // a stop by the person is not a failed box
    QCOMPARE(rig.box.Record().downloadsCompleted, 0);
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowFailureTest)
#include "window_failure_test.moc"

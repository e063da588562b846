// What the operator reads after a run against the simulated box: the reason
// line, the colours and the open log after each kind of failure, and the box
// counter.
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include "app/main_widgets.h"
#include "box_rig.h"

namespace tuneflash::app::testing {

class WindowReasonTest : public QObject {
  Q_OBJECT

 private slots:
  void FailureShowsItsReasonInPlainSight_data() {
    QTest::addColumn<int>("silentAfterBlock");
    QTest::addColumn<int>("hangupAfterBlock");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<QString>("phase");
    QTest::addColumn<QString>("cause");
    QTest::newRow("silent box") << 2 << 0 << false << "transfer, partition "
                                << "no reply";
    QTest::newRow("pulled line") << 0 << 2 << false << "transfer, partition "
                                 << "went away";
    // A box that was never written holds something else than the file.
    QTest::newRow("verify differs") << 0 << 0 << true << "verify, partition 1"
                                    << "differ";
  }

  void FailureShowsItsReasonInPlainSight() {
    QFETCH(int, silentAfterBlock);
    QFETCH(int, hangupAfterBlock);
    QFETCH(bool, verify);
    QFETCH(QString, phase);
    QFETCH(QString, cause);
    boxsim::BoxFaults faults;
    faults.silentAfterBlock = silentAfterBlock;
    faults.hangupAfterBlock = hangupAfterBlock;
    LinkTiming timing;
    timing.replyPolls = 300;  // a silent box fails within a second
    BoxRig rig(faults, timing);
    if (verify) rig.Choose("CB_Upg", kVerifyListIndex);
    rig.OpenLoaderFile();
    ResetAtTheNextBox(rig);
    // While a wait is retrying, the reason line says so.
    QStringList retries;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      const QString shown = rig.Child<QLabel>("L_Reason")->toolTip();
      if (shown.contains(QStringLiteral("trying again")) && !retries.contains(shown)) retries << shown;
    });
    watch.start(5);
    rig.Click("SB_Sta");
    watch.stop();
    if (silentAfterBlock > 0) {
      QVERIFY2(retries.contains(QStringLiteral("no reply from the box, trying again 3 of 10")),
               qPrintable(retries.join(QStringLiteral(" | "))));
    } else {
      QVERIFY2(retries.isEmpty(), qPrintable(retries.join(QStringLiteral(" | "))));
    }

    // The status texts stay the window's own; the reason has a line of its own.
    QCOMPARE(rig.Status(), QStringLiteral("Update failed!"));
    auto* reason = rig.Child<QLabel>("L_Reason");
    QVERIFY2(reason->toolTip().startsWith(phase) && reason->toolTip().contains(cause),
             qPrintable(reason->toolTip()));
    QVERIFY2(reason->text().contains(ErrorColour().name()), qPrintable(reason->text()));
    QVERIFY(reason->isVisible());
    auto* bar = rig.Child<QProgressBar>("ProgressBarMain");
    QCOMPARE(bar->palette().color(QPalette::Highlight), ErrorColour());
    QVERIFY(rig.Child<QListWidget>("LB_Info")->isVisible());
    QCOMPARE(rig.form.height(), kHeightWithLog);
    QVERIFY2(rig.Child<QLabel>("L_Boxes")->text().startsWith(QStringLiteral("0 ok, 1 failed")),
             qPrintable(rig.Child<QLabel>("L_Boxes")->text()));

    // The next Start begins clean: no old reason, the bar in its own colour.
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Connectting..."); }, 1,
        [&] {
          QVERIFY(reason->text().isEmpty());
          QVERIFY(bar->palette().color(QPalette::Highlight) != ErrorColour());
          rig.Click("SB_Reset");
        });
    rig.box.Stop();
    rig.Click("SB_Sta");
  }

  void ARetryTheBoxGetsOverLeavesNoLineBehind() {
    boxsim::BoxFaults faults;
    faults.nakBlock = 2;
    BoxRig rig(faults);
    rig.OpenLoaderFile();
    QString retry;
    WhenStatusShows(rig, "Transfer Success!", [&] { retry = rig.Child<QLabel>("L_Reason")->toolTip(); });
    ResetAtTheNextBox(rig);
    rig.Click("SB_Sta");
    QCOMPARE(rig.box.Record().downloadsCompleted, 1);
    QVERIFY2(retry.isEmpty(), qPrintable(retry));
    QVERIFY(rig.Child<QLabel>("L_Reason")->text().isEmpty());
  }

  void CounterFollowsTheBoxes() {
    BoxRig rig;
    rig.OpenLoaderFile();
    auto* counter = rig.Child<QLabel>("L_Boxes");
    QCOMPARE(counter->text(), QStringLiteral("0 ok, 0 failed · 0:00"));
    QString duringTheBox;
    WhenStatusShows(rig, "Transfer...", [&] { duringTheBox = counter->toolTip(); });
    // Two boxes, then Reset in the pause before the third.
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Update Success!"); }, 2, [&] { rig.Click("SB_Reset"); });
    rig.Click("SB_Sta");

    QCOMPARE(rig.box.Record().downloadsCompleted, 2);
    QVERIFY2(counter->text().startsWith(QStringLiteral("2 ok, 0 failed · 0:0")), qPrintable(counter->text()));
    QVERIFY2(duringTheBox.contains(QStringLiteral("This box: 0:0")), qPrintable(duringTheBox));
    QVERIFY(counter->toolTip().contains(QStringLiteral("Last box: 0:0")));
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowReasonTest)
#include "window_reason_test.moc"

// Whole runs through the window against the simulated box on a pty: a
// download (and the wait for the next box), an upload that shows the box's
// identity, and Reset in the middle of a transfer.
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include "app/window_satcodx.h"
#include "box_rig.h"
#include "boxdb/database_image.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "dld/data_image.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"
#include "satcodx/sample_database.h"

namespace tuneflash::app::testing {

class WindowRunTest : public QObject {
  Q_OBJECT

 private slots:
  void DownloadThenWaitForTheNextBox() {
    BoxRig rig({}, {}, 115200);
    rig.OpenLoaderFile();
    StatusLog log(*rig.Field("E_Start"));
    bool lockedWhileRunning = false;
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Transfer..."); }, 1,
        [&] {
          lockedWhileRunning =
              !rig.Child<QWidget>("CB_Com")->isEnabled() && !rig.Child<QWidget>("P_Start")->isEnabled() &&
              rig.Field("E_Ident")->isReadOnly() && rig.Child<QWidget>("SB_Reset")->isEnabled();
        });
    // The second "Connectting..." is the wait for the next box: stop there.
    OnStatus(
        rig, [](const QString& t) { return Is(t, "Connectting..."); }, 2, [&] { rig.Click("SB_Reset"); });
    rig.Click("SB_Sta");

    // The run goes on on its own thread: the next box may have said hello
    // before the Reset, which then stops it; what came before is exact.
    QCOMPARE(log.texts.last(), QStringLiteral("Stopped"));
    log.texts.removeLast();
    QCOMPARE(log.texts.mid(0, 24), (QStringList{"Connectting...",
                                                "Connect Success!",
                                                "Verify...",
                                                "Verify Success!",
                                                "Transfer...",
                                                "Transfering Data:  25%",
                                                "Transfering Data:  50%",
                                                "Transfering Data:  75%",
                                                "Transfering Data:  100%",
                                                "Transfer Success!",
                                                "Erase flash...",
                                                "Erase flash...  25%",
                                                "Erase flash...  50%",
                                                "Erase flash...  75%",
                                                "Erase flash...  100%",
                                                "Erase flash Success!",
                                                "Program flash...",
                                                "Program flash...  25%",
                                                "Program flash...  50%",
                                                "Program flash...  75%",
                                                "Program flash...  100%",
                                                "Program flash Success!",
                                                "Update Success!",
                                                "Connectting..."}));
    QCOMPARE(rig.box.Record().downloadsCompleted, 1);
    QVERIFY(lockedWhileRunning);
    QVERIFY(rig.ControlsEnabled());
    QVERIFY(!rig.Field("E_Ident")->isReadOnly());
  }

  void BarFollowsTheBytesOfTheJob_data() {
    QTest::addColumn<PartitionSet>("set");
    QTest::addColumn<int>("imageBytes");
    QTest::addColumn<double>("lastPartitionAt");  // % of the job once all but the last partition are sent
    QTest::newRow("27 partitions") << PartitionSet::App << 2048 << 200.0 / 3 * 26 / 27;
    QTest::newRow("one partition") << PartitionSet::Key << 16384 << 0.0;
  }

  void BarFollowsTheBytesOfTheJob() {
    QFETCH(PartitionSet, set);
    QFETCH(int, imageBytes);
    QFETCH(double, lastPartitionAt);
    BoxRig rig;
    WriteBytes(rig.file, SampleDownloadFile(set, {.ident = 1, .softwareModule = "LDR"},
                                            static_cast<std::size_t>(imageBytes)));
    rig.dialogs.answers << QString::fromStdString(rig.file.string());
    rig.Click("SB_Open");
    // The bar's percentage with the status text it stood beside, from
    // "Transfer..." to "Update Success!".
    auto* bar = rig.Child<QProgressBar>("ProgressBarMain");
    auto* status = rig.Field("E_Start");
    QList<std::pair<QString, double>> seen;
    bool recording = false;
    const auto record = [&] {
      recording = recording || status->text() == QLatin1String("Transfer...");
      if (recording) seen.append({status->text(), 100.0 * bar->value() / bar->maximum()});
      recording = recording && status->text() != QLatin1String("Update Success!");
    };
    QObject::connect(status, &QLineEdit::textChanged, bar, record);
    QObject::connect(bar, &QProgressBar::valueChanged, bar, record);
    ResetAtTheNextBox(rig);
    rig.Click("SB_Sta");

    QVERIFY(!seen.isEmpty() && seen.last() == std::pair(QStringLiteral("Update Success!"), 100.0));
    const auto at = [&](const char* text) {
      for (const auto& [shown, percent] : seen)
        if (shown == QLatin1String(text)) return percent;
      return -1.0;
    };
    // The transfer's bytes are two thirds of a download's job, erase and program a sixth each.
    QVERIFY2(std::abs(at("Transfering Data:  100%") - lastPartitionAt) < 2,
             qPrintable(QString::number(at("Transfering Data:  100%"))));
    QVERIFY2(std::abs(at("Transfer Success!") - 200.0 / 3) < 2,
             qPrintable(QString::number(at("Transfer Success!"))));
    for (qsizetype i = 1; i < seen.size(); ++i)
      QVERIFY2(seen[i].second >= seen[i - 1].second,
               qPrintable(seen[i].first +
                          QStringLiteral(" at %1 after %2").arg(seen[i].second).arg(seen[i - 1].second)));
    // Full only once the last partition is programmed.
    const auto full = std::find_if(seen.begin(), seen.end(), [](const auto& s) { return s.second == 100.0; });
    QCOMPARE(full->first, QStringLiteral("Program flash...  100%"));
    QCOMPARE(bar->text(), QStringLiteral("0%"));  // Reset cleared it
  }

  void UploadReturnsToIdleWithTheBoxIdentity() {
    BoxRig rig;
    // Give the box an identity: download the loader set first.
    rig.OpenLoaderFile();
    ResetAtTheNextBox(rig);
    rig.Click("SB_Sta");
    QCOMPARE(rig.box.Record().downloadsCompleted, 1);

    const std::filesystem::path target = rig.dir / "loader-from-box.dld";
    rig.Choose("CB_Upg", 4);  // Upload Loader
    rig.dialogs.answers << QString::fromStdString(target.string());
    rig.Click("SB_Open");
    QVERIFY(rig.Field("E_Manu")->text().isEmpty());
    StatusLog log(*rig.Field("E_Start"));
    rig.Click("SB_Sta");  // returns when the run has ended

    QVERIFY2(InOrder(log.texts, {"Connectting...", "Transfering Data:  100%", "Update Success!"}),
             qPrintable(log.texts.join(QStringLiteral(" | "))));
    QCOMPARE(rig.Status(), QStringLiteral("Update Success!"));
    QVERIFY(!rig.form.runActive());
    QVERIFY(rig.ControlsEnabled());
    QCOMPARE(rig.Field("E_Manu")->text(), QStringLiteral("BENCH-MAKER"));
    QCOMPARE(rig.Field("E_SofMod")->text(), QStringLiteral("LDR"));
    QCOMPARE(rig.Field("E_Ident")->text(), QStringLiteral("1"));
    const VerifyReport report = VerifyDownloadFile(ReadWholeFile(target), true);
    QVERIFY(report.ok());
    const Bytes sent = ReadWholeFile(rig.file);
    QCOMPARE(VerifyDownloadFile(sent, true).partitions[0].raw, report.partitions[0].raw);
  }

  void VerifyShowsEachPartitionAndRecordsEveryBox() {
    BoxRig rig;
    rig.form.SetRunLogFile(rig.dir / "runs.jsonl");
    rig.OpenLoaderFile();
    ResetAtTheNextBox(rig);
    rig.Click("SB_Sta");
    QCOMPARE(rig.box.Record().downloadsCompleted, 1);

    rig.Choose("CB_Upg", 7);  // Verify
    QCOMPARE(rig.Child<QPushButton>("SB_Open")->text(), QStringLiteral("Open"));
    rig.dialogs.answers << QString::fromStdString(rig.file.string());
    rig.Click("SB_Open");
    QCOMPARE(rig.Field("E_SofMod")->text(), QStringLiteral("LDR"));
    // A box that holds the file is a success; the Reset comes before the next.
    StatusLog log(*rig.Field("E_Start"));
    ResetAtTheNextBox(rig);
    rig.Click("SB_Sta");
    QVERIFY2(InOrder(log.texts, {"Connectting...", "Transfering Data:  100%", "Update Success!", "Stopped"}),
             qPrintable(log.texts.join(QStringLiteral(" | "))));
    QCOMPARE(rig.box.Record().uploadsCompleted, 1);

    QStringList lines;
    auto* panel = rig.Child<QListWidget>("LB_Info");
    for (int i = 0; i < panel->count(); ++i) lines << panel->item(i)->text();
    QVERIFY2(InOrder(lines, {"Partition 1 at 0x40000000: same", "Partition 2 at 0x40004000: same",
                             "Partition 3 at 0x40006000: same", "Partition 4 at 0x40008000: same"}),
             qPrintable(lines.join(QStringLiteral(" | "))));
    // The boxes are counted on across Starts, for the life of the window.
    for (const char* box : {"^Box 1: Update Success! in 0:0\\d$", "^Box 2: Update Success! in 0:0\\d$"}) {
      QCOMPARE(lines.filter(QRegularExpression(QString::fromLatin1(box))).size(), 1);
    }

    // Both boxes are in the per-user record, the download's and the verify's.
    const Bytes records = ReadWholeFile(rig.dir / "runs.jsonl");
    const QStringList recordLines = QString::fromUtf8(reinterpret_cast<const char*>(records.data()),
                                                      static_cast<qsizetype>(records.size()))
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(recordLines.size(), 2);
    QVERIFY(recordLines[0].contains(QStringLiteral("\"command\":\"download\"")));
    QVERIFY(recordLines[1].contains(QStringLiteral("\"command\":\"verify\"")));
    QVERIFY(recordLines[1].contains(QStringLiteral("\"result\":\"success\"")));
    QVERIFY(recordLines[1].contains(QStringLiteral("\"port\":\"COM.01\"")));
    QVERIFY(recordLines[1].contains(QStringLiteral("\"box\":2")));
    QVERIFY(recordLines[1].contains(QStringLiteral("\"partitions\":[{\"index\":1")));
  }

  void ResetInTheMiddleOfATransferEndsTheRun() {
    boxsim::BoxFaults faults;
    faults.silentAfterBlock = 2;
    BoxRig rig(faults);
    rig.OpenLoaderFile();
    StatusLog log(*rig.Field("E_Start"));
    OnStatus(
        rig, [](const QString& t) { return t.startsWith(QStringLiteral("Transfer")); }, 1,
        [&] { QTimer::singleShot(100, [&] { rig.Click("SB_Reset"); }); });
    rig.Click("SB_Sta");

    QVERIFY(!rig.form.runActive());
    QVERIFY(!rig.port.PortOpen());
    QVERIFY(rig.ControlsEnabled());
    QVERIFY(!rig.Field("E_Ident")->isReadOnly());
    // A stop by the person is no failure: "Stopped", no reason, no failed box.
    QVERIFY2(!log.texts.contains(QStringLiteral("Update failed!")) &&
                 !log.texts.contains(QStringLiteral("Transfer failed!")),
             qPrintable(log.texts.join(QStringLiteral(" | "))));
    QCOMPARE(rig.Status(), QStringLiteral("Stopped"));
    QVERIFY(rig.Child<QLabel>("L_Reason")->text().isEmpty());
    QVERIFY(rig.Child<QLabel>("L_Boxes")->text().startsWith(QStringLiteral("0 ok, 0 failed")));
    QVERIFY(rig.Child<QWidget>("Shape_ComState")
                ->toolTip()
                .contains(QStringLiteral("Closed: the run was stopped")));
    QCOMPARE(rig.box.Record().downloadsCompleted, 0);
  }

  void SatcoDxRunMergesTheListIntoTheBox() {
    tuneflash::testing::TempDir flash;
    const auto sample = SampleDatabase(DefaultSampleSatellites());
    WriteBytes(flash / "flash.bin",
               SampleFlashImage(SampleDataFile(*sample, 2, tuneflash::SampleIdentity())));
    boxsim::BoxSimOptions options;
    options.flashFile = flash / "flash.bin";
    WindowRig rig(LinkTiming{}, std::chrono::milliseconds(100));
    boxsim::BoxSim box(options);
    box.Start();
    rig.ports.devices = {{box.DevicePath(), "simulated box"}};
    WindowSatcoDx satcoDx(rig.form);
    satcoDx.SetPause([](std::chrono::milliseconds) {});
    const auto list = std::filesystem::path(TUNEFLASH_SATCODX_TESTDATA) / "turksat420e_v103_sirfi_sample.sdx";
    rig.dialogs.answers << QString::fromStdString(list.string());
    rig.form.OpenForMode(RunMode::SatcoDx);
    StatusLog log(*rig.Field("E_Start"));
    rig.Start(RunMode::SatcoDx);  // returns when the run has ended
    box.Stop();

    QVERIFY2(InOrder(log.texts, {"Connectting...", "Transfering Data:  100%", "SatcoDX Update Success!",
                                 "Inputting SatcoDX file, please wait...", "File saving, please wait...",
                                 "SatcoDX Download start!", "Program flash Success!", "Update Success!"}),
             qPrintable(log.texts.join(QStringLiteral(" | "))));
    QCOMPARE(log.texts.count(QStringLiteral("Connect Success!")), 1);  // the upload says it, the download not
    QVERIFY(!rig.form.runActive());
    const Bytes image = box.Flash().Read(kDataImageBase, kDataImageSize);
    QVERIFY(CheckBlockTable(image));
    auto onBox = SampleDatabase({});
    DecodeDatabaseImage(*onBox, UnpackDatabase(image, DetectDatabaseSlot(image)));
    QVERIFY(GetSatTpCount(*onBox, FindSatelliteByPos(*onBox, 420)) > 20);
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowRunTest)
#include "window_run_test.moc"

// The station window against simulated boxes: four ports at once, a fault
// that stays on its tile, Stop all, the lock, the setup kept across a
// restart, a pulled line that comes back by itself, and the way in from the
// classic window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "app/station/record_list.h"
#include "app/station/station_records.h"
#include "app/station/station_tile.h"
#include "app/station/station_window.h"
#include "box_rig.h"

namespace tuneflash::app::testing {
namespace {

constexpr int kPatience = 60000;  // ms: a guard against a hang, not a figure

boxsim::BoxSimOptions StationBoxOptions(const boxsim::BoxFaults& faults) {
  boxsim::BoxSimOptions options;
  options.faults = faults;
  options.reannounce = std::chrono::milliseconds(50);
  options.idleHello = std::chrono::milliseconds(50);
  options.sessionTimeout = std::chrono::milliseconds(3000);
  // Paced as a real line, so a box is mostly being written while a test looks.
  options.line.wireRate = 115200;
  return options;
}

LinkTiming StationTiming() {
  LinkTiming t;
  t.replyPolls = 1000;
  t.recordPolls = 1000;
  t.blockPolls = 1000;
  return t;
}

// The station with simulated boxes, one per tile, and a scratch folder for
// its setup, its record file and the job's file.
struct StationRig {
  explicit StationRig(std::vector<boxsim::BoxFaults> faults = {}) {
    for (const auto& f : faults) {
      boxes.push_back(std::make_unique<boxsim::BoxSim>(StationBoxOptions(f)));
      boxes.back()->Start();
      ports.devices.push_back({boxes.back()->DevicePath(), "simulated box"});
    }
    Open();
    window->findChild<QSpinBox*>(QStringLiteral("Ports"))
        ->setValue(std::max<int>(1, static_cast<int>(boxes.size())));
    for (std::size_t i = 0; i < boxes.size(); ++i)
      window->tile(static_cast<int>(i)).SetDevice(QString::fromStdString(boxes[i]->DevicePath()));
  }
  ~StationRig() {
    window.reset();
    for (auto& box : boxes) box->Stop();
  }
  void Open() {
    window = std::make_unique<StationWindow>(StationServices{
        .dialogs = dialogs,
        .messages = messages,
        .ports = ports,
        .setupFile = dir / "station.conf",
        .runLog = dir / "runs.jsonl",
        .waits = {StationTiming(), std::chrono::milliseconds(50), std::chrono::milliseconds(100)}});
    window->show();
  }
  void ChooseJob(StationJob job) {
    auto* combo = window->findChild<QComboBox*>(QStringLiteral("Job"));
    combo->setCurrentIndex(static_cast<int>(job));
    emit combo->activated(static_cast<int>(job));
  }
  void ChooseLoaderFile() {
    WriteBytes(file, LoaderFile());
    dialogs.answers << QString::fromStdString(file.string());
    window->ChooseFile();
  }
  bool AllStopped() const {
    for (int i = 0; i < window->tileCount(); ++i) {
      if (window->tile(i).active()) return false;
    }
    return true;
  }
  bool AllBusy() const {
    for (int i = 0; i < window->tileCount(); ++i) {
      if (!window->tile(i).busy()) return false;
    }
    return true;
  }
  QString TileText(int tile, const char* child) const {
    return window->tile(tile).findChild<QLabel*>(QString::fromLatin1(child))->toolTip();
  }
  std::vector<StationRecord> Records() const {
    RecordTail tail(dir / "runs.jsonl");
    return tail.ReadNew();
  }

  tuneflash::testing::TempDir dir;
  ScriptedDialogs dialogs;
  RecordingMessages messages;
  FixedPorts ports;
  std::vector<std::unique_ptr<boxsim::BoxSim>> boxes;
  std::unique_ptr<StationWindow> window;
  std::filesystem::path file = dir / "loader.dld";
};

}  // namespace

class StationTest : public QObject {
  Q_OBJECT
 private slots:
  // Four boxes, the second one failing to program: it fails alone with its
  // reason, the others pass; Stop all ends every lane, the boxes in flight are
  // recorded as stopped, and every box has exactly one record.
  void FourPortsAFaultStaysOnItsTileAndStopAllRecordsEveryBox() {
    boxsim::BoxFaults programFails;
    programFails.programFailPartition = 0;
    StationRig rig({{}, programFails, {}, {}});
    rig.ChooseJob(StationJob::DownloadThenVerify);
    rig.ChooseLoaderFile();
    QVERIFY(rig.messages.errors.isEmpty());
    auto& w = *rig.window;
    QString firstReason;
    QObject::connect(&w.tile(1), &StationTile::boxEnded, &w, [&] {
      if (firstReason.isEmpty()) firstReason = rig.TileText(1, "Reason");
    });
    w.StartAll();
    QTRY_VERIFY_WITH_TIMEOUT(w.tile(0).tally().ok >= 1 && w.tile(2).tally().ok >= 1 &&
                                 w.tile(3).tally().ok >= 1 && w.tile(1).tally().failed >= 1,
                             kPatience);
    for (int i : {0, 2, 3}) QCOMPARE(w.tile(i).tally().failed, 0);
    QCOMPARE(w.tile(1).tally().ok, 0);
    // On the tile's one line the cause comes first; the run's whole reason is in the tooltip.
    QVERIFY2(firstReason.startsWith(
                 QStringLiteral("Box 1: program failed, partition 1 (program)\nprogram, partition 1")),
             qPrintable(firstReason));

    QTRY_VERIFY_WITH_TIMEOUT(rig.AllBusy(), kPatience);
    // Closing while boxes are written asks first; Cancel leaves every port running.
    QVERIFY(!w.close());
    QCOMPARE(rig.messages.questions.size(), 1);
    QVERIFY(w.isVisible() && w.tile(0).active());
    w.StopAll();
    QTRY_VERIFY_WITH_TIMEOUT(rig.AllStopped(), kPatience);
    QCOMPARE(w.tile(0).state(), TileState::Stopped);
    QVERIFY(rig.TileText(0, "Reason").isEmpty());  // a stop is no failure

    std::map<std::string, std::vector<StationRecord>> byPort;
    for (const StationRecord& r : rig.Records()) byPort[r.port].push_back(r);
    QCOMPARE(byPort.size(), std::size_t{4});
    for (int i = 0; i < 4; ++i) {
      const auto& records = byPort[w.tile(i).portName().toStdString()];
      const BoxTally& tally = w.tile(i).tally();
      QCOMPARE(static_cast<int>(records.size()), tally.ok + tally.failed + 1);
      QCOMPARE(records.back().result, std::string("stopped"));
      for (std::size_t b = 0; b < records.size(); ++b) {
        QCOMPARE(records[b].box, static_cast<int>(b) + 1);
        QCOMPARE(records[b].command, std::string("download"));
        if (b + 1 < records.size()) QCOMPARE(records[b].result, std::string(i == 1 ? "failed" : "success"));
      }
    }
    QCOMPARE(byPort[w.tile(1).portName().toStdString()].front().cause, std::string("program failed"));
    QCOMPARE(w.totals().succeeded, w.tile(0).tally().ok + w.tile(2).tally().ok + w.tile(3).tally().ok);
    QCOMPARE(w.totals().failed, w.tile(1).tally().failed);

    RecordList list(rig.dir / "runs.jsonl");
    list.findChild<QComboBox*>(QStringLiteral("ResultFilter"))->setCurrentIndex(2);  // failed
    QCOMPARE(list.rowsShown(), w.tile(1).tally().failed);
  }

  // Lock disables every setting, the first Start locks, and the job, the
  // file, the ports and their devices come back after a restart.
  void LockBlocksTheSettingsAndTheSetupIsKept() {
    StationRig rig({{}, {}});
    const char* settings[] = {"Job", "Open", "Ports"};
    auto enabled = [&](const char* name) {
      return rig.window->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
    };
    auto deviceEnabled = [&](int tile) {
      return rig.window->tile(tile).findChild<QComboBox*>()->isEnabled();
    };
    auto* lock = rig.window->findChild<QCheckBox*>(QStringLiteral("Lock"));
    QVERIFY(!lock->isChecked());
    for (const char* name : settings) QVERIFY(enabled(name));
    lock->setChecked(true);
    for (const char* name : settings) QVERIFY(!enabled(name));
    QVERIFY(!deviceEnabled(0) && !deviceEnabled(1));
    lock->setChecked(false);
    QVERIFY(deviceEnabled(1));
    // Space outside the tiles presses the focused button, as everywhere.
    rig.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
    lock->setFocus();
    QTest::keyClick(rig.window.get(), Qt::Key_Space);
    QVERIFY(lock->isChecked());
    lock->setChecked(false);

    // Start without a file starts nothing and says why.
    rig.window->StartAll();
    QCOMPARE(rig.messages.errors.size(), 1);
    QVERIFY(rig.AllStopped());

    rig.ChooseJob(StationJob::Verify);
    rig.ChooseLoaderFile();
    // A file that does not hold is refused, naming it; the file chosen before stays.
    const QString sha = rig.window->findChild<QLabel*>(QStringLiteral("Sha256"))->text();
    Bytes broken = LoaderFile();
    broken[broken.size() - 3] ^= 0xFF;
    WriteBytes(rig.dir / "broken.dld", broken);
    rig.dialogs.answers << QString::fromStdString((rig.dir / "broken.dld").string());
    rig.window->ChooseFile();
    QCOMPARE(rig.messages.errors.size(), 2);
    QVERIFY2(rig.messages.errors.last().contains(QStringLiteral("broken.dld")),
             qPrintable(rig.messages.errors.last()));
    QCOMPARE(rig.window->findChild<QLabel*>(QStringLiteral("Sha256"))->text(), sha);

    rig.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
    rig.window->tile(1).setFocus();
    QTest::keyClick(rig.window.get(), Qt::Key_Space);
    QVERIFY(rig.window->tile(1).active());
    QVERIFY(!rig.window->tile(0).active());
    QVERIFY(lock->isChecked());
    QVERIFY(!enabled("Job"));
    QTest::keyClick(rig.window.get(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(rig.window->tile(0).active());
    rig.window->StopAll();
    QTRY_VERIFY_WITH_TIMEOUT(rig.AllStopped(), kPatience);

    rig.window.reset();
    rig.Open();
    QCOMPARE(rig.window->tileCount(), 2);
    QCOMPARE(rig.window->tile(1).device(), QString::fromStdString(rig.boxes[1]->DevicePath()));
    QCOMPARE(rig.window->findChild<QComboBox*>(QStringLiteral("Job"))->currentIndex(),
             static_cast<int>(StationJob::Verify));
    QVERIFY(rig.window->locked());
    QVERIFY(rig.window->findChild<QLabel*>(QStringLiteral("Sha256"))
                ->text()
                .contains(QStringLiteral("SHA-256 ")));
  }

  // A line that hangs up turns its tile to "no device"; the same device path
  // coming back is opened again and the next box is written without a click.
  void APulledLineComesBackByItself() {
    StationRig rig;
    const auto link = rig.dir / "box";
    boxsim::BoxFaults hangup;
    hangup.hangupAfterBlock = 2;
    auto first = std::make_unique<boxsim::BoxSim>(StationBoxOptions(hangup));
    first->Start();
    std::filesystem::create_symlink(first->DevicePath(), link);
    rig.ports.devices = {{link.string(), "simulated box"}};
    rig.window->tile(0).SetDevice(QString::fromStdString(link.string()));
    rig.ChooseLoaderFile();
    rig.window->StartAll();
    QTRY_COMPARE_WITH_TIMEOUT(rig.window->tile(0).state(), TileState::NoDevice, kPatience);
    QVERIFY(rig.window->tile(0).active());
    first->Stop();

    boxsim::BoxSim second(StationBoxOptions({}));
    second.Start();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.DevicePath(), link);
    QTRY_VERIFY_WITH_TIMEOUT(rig.window->tile(0).tally().ok >= 1, kPatience);
    rig.window->StopAll();
    QTRY_VERIFY_WITH_TIMEOUT(rig.AllStopped(), kPatience);
    const auto records = rig.Records();
    QVERIFY(!records.empty());
    QCOMPARE(records.front().result, std::string("failed"));
    QCOMPARE(records.front().cause, std::string("the port went away"));
    second.Stop();
  }

  // The records are read as they are appended: a line cut short waits for
  // its end, a line that is no record is skipped, a file that became shorter
  // is read again, the end of a file starts at a whole line; the totals count
  // them by result and cause.
  void RecordsAreReadLineByLineAndCounted() {
    tuneflash::testing::TempDir dir;
    const auto path = dir / "runs.jsonl";
    const std::string success = R"({"port":"Port 01","box":1,"result":"success","failure":null})";
    const std::string failed =
        R"({"port":"Port 02","box":1,"result":"failed","failure":{"cause":"no reply from the box","text":"t"}})";
    auto append = [&](const std::string& text) {
      std::ofstream(path, std::ios::app | std::ios::binary) << text;
    };
    RecordTail tail(path);
    QCOMPARE(tail.ReadNew().size(), std::size_t{0});  // no file yet
    append(success + "\n" + "{\"cut short" + "\n" + failed.substr(0, 20));
    auto records = tail.ReadNew();
    QCOMPARE(records.size(), std::size_t{1});
    append(failed.substr(20) + "\n");
    records = tail.ReadNew();
    QCOMPARE(records.size(), std::size_t{1});
    QCOMPARE(records[0].cause, std::string("no reply from the box"));
    std::ofstream(path, std::ios::trunc | std::ios::binary) << failed << "\n";
    QCOMPARE(tail.ReadNew().size(), std::size_t{1});
    // The end of a long file: the line cut at the start is no record.
    append(success + "\n");
    RecordTail newest(path);
    newest.SkipAllBut(success.size() + 10);
    records = newest.ReadNew();
    QCOMPARE(records.size(), std::size_t{1});
    QCOMPARE(records[0].result, std::string("success"));

    ShiftTotals totals;
    for (const auto* line : {&success, &success, &success, &failed}) totals.Add(*ParseStationRecord(*line));
    QCOMPARE(totals.Text(std::chrono::minutes(30)),
             std::string("4 boxes · 8.0 per hour · 75.0 % passed · failures: no reply from the box 1"));
  }

  // "Station" in the classic window's right-click menu opens the one station window.
  void TheClassicWindowsMenuOpensTheStation() {
    QStandardPaths::setTestModeEnabled(true);
    WindowRig rig;
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(rig.dir.path().string()));
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10), rig.form.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&rig.form, &click);
    auto* menu = rig.Child<QMenu>("PopupMenu");
    menu->hide();
    auto* station = rig.Child<QAction>("NStation");
    QVERIFY(station != nullptr);
    QCOMPARE(menu->actions().indexOf(station) + 1, menu->actions().indexOf(rig.Child<QAction>("NShowForm")));
    station->trigger();
    station->trigger();
    int open = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
      open += qobject_cast<StationWindow*>(widget) != nullptr;
    QCOMPARE(open, 1);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (qobject_cast<StationWindow*>(widget) != nullptr) widget->close();
    }
    QTRY_VERIFY(std::filesystem::exists(rig.dir / "tuneflash" / "runs.jsonl"));
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::StationTest)
#include "station_test.moc"

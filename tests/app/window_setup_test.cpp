// The window's setup without a box: a cancelled dialog changes nothing, the
// setup comes back after a restart, a file changed on disk is checked again
// at Start, the port list names its devices, and the identity panel asks
// before it first writes into a file and can undo the change.
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "app/port_entry_text.h"
#include "app/port_lamp.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"
#include "pty_pair.h"
#include "sample_files.h"
#include "window_fakes.h"

namespace tuneflash::app::testing {
namespace {

using tuneflash::testing::WriteBytes;

Bytes KeyFile(std::uint8_t ident, std::string_view softwareVersion = "4.05") {
  SampleIdentity who;
  who.ident = ident;
  who.softwareVersion = softwareVersion;
  return SampleDownloadFile(PartitionSet::Key, who, 300);
}

// Presses Start and, once the window waits for the box, Reset; returns the
// texts the status line showed.
QStringList StartUntilConnecting(WindowRig& rig) {
  StatusLog log(*rig.Field("E_Start"));
  auto* status = rig.Field("E_Start");
  auto connection = std::make_shared<QMetaObject::Connection>();
  *connection =
      QObject::connect(status, &QLineEdit::textChanged, status, [&rig, connection](const QString& t) {
        if (t != QStringLiteral("Connectting...")) return;
        QObject::disconnect(*connection);
        QTimer::singleShot(0, [&rig] { rig.Click("SB_Reset"); });
      });
  rig.Click("SB_Sta");
  QObject::disconnect(*connection);
  return log.texts;
}

int IdentInFile(const std::filesystem::path& file) {
  return VerifyDownloadFile(ReadWholeFile(file)).header->ucIdent;
}

}  // namespace

class WindowSetupTest : public QObject {
  Q_OBJECT

  // A rig whose COM.01 is a pty nobody answers, with a Key file chosen.
  struct KeyRig : WindowRig {
    explicit KeyRig(const std::filesystem::path& setupFile = {})
        : WindowRig(LinkTiming{}, std::chrono::milliseconds(50), setupFile) {
      ports.devices = {{pty.device(), "test line"}};
    }
    void OpenKeyFile(std::uint8_t ident = 0) {
      WriteBytes(file, KeyFile(ident));
      dialogs.answers << QString::fromStdString(file.string());
      Click("SB_Open");
    }
    QString FileName() { return QString::fromStdString(file.string()); }
    PtyPair pty;
    std::filesystem::path file = dir / "key.dld";
  };

 private slots:
  void CancelledDialogChangesNothing() {
    KeyRig rig;
    rig.OpenKeyFile(1);
    rig.Click("SB_Open");  // Cancel
    QCOMPARE(rig.Field("E_FileName")->text(), rig.FileName());
    QCOMPARE(rig.Field("E_Manu")->text(), QStringLiteral("BENCH-MAKER"));
    // A file that does not check is refused; the one chosen before stays.
    const std::filesystem::path broken = rig.dir / "broken.dld";
    WriteBytes(broken, Bytes(100, 0x5A));
    rig.dialogs.answers << QString::fromStdString(broken.string());
    rig.Click("SB_Open");
    QCOMPARE(rig.messages.errors.size(), 1);
    QCOMPARE(rig.Field("E_FileName")->text(), rig.FileName());
    QCOMPARE(rig.form.runState().currentFileName, rig.file);

    QCOMPARE(rig.dialogs.openRequests[0].filter, QStringLiteral("Download files (*.dld)"));
  }

  void SetupComesBackAfterARestart() {
    tuneflash::testing::TempDir keep;
    const std::filesystem::path setupFile = keep / "window.conf";
    const QString keyFile = QString::fromStdString((keep / "key.dld").string());
    WriteBytes(keep / "key.dld", KeyFile(1));
    struct Case {
      int job;         // chosen before the file
      int jobAfter;    // chosen after it (clears it); -1 for none
      QString shown;   // the file field after the restart
      QString button;  // Open or Save
      bool removed;    // the file is gone before the restart
    };
    const Case cases[] = {
        {0, -1, keyFile, "Open", false},   // a download file is checked and shown again
        {3, -1, keyFile, "Save", false},   // an upload's target
        {0, 5, QString(), "Save", false},  // a job chosen after the file
        {0, -1, QString(), "Open", true},  // a download file gone since: said under the status
    };
    for (const Case& c : cases) {
      {
        KeyRig rig(setupFile);
        rig.ports.devices.push_back({rig.pty.device(), "second line"});
        rig.Choose("CB_Com", 1);
        rig.Choose("CB_Upg", c.job);
        rig.dialogs.answers << keyFile;
        rig.Click("SB_Open");
        if (c.jobAfter >= 0) rig.Choose("CB_Upg", c.jobAfter);
        rig.Click("SB_Reset");  // Reset clears the window, not what is kept
      }
      if (c.removed) std::filesystem::remove(keep / "key.dld");
      KeyRig again(setupFile);
      QCOMPARE(again.Child<QComboBox>("CB_Com")->currentIndex(), 1);
      QCOMPARE(again.Child<QComboBox>("CB_Upg")->currentIndex(), c.jobAfter >= 0 ? c.jobAfter : c.job);
      QCOMPARE(again.Field("E_FileName")->text(), c.shown);
      QCOMPARE(again.Child<QPushButton>("SB_Open")->text(), c.button);
      if (c.button == "Open" && !c.removed) QCOMPARE(again.Field("E_Ident")->text(), QStringLiteral("1"));
      QCOMPARE(again.Child<QLabel>("L_Reason")->toolTip().contains(keyFile), c.removed);
      QVERIFY(!again.port.PortOpen());  // it opens when chosen or at Start, as ever
      again.Click("SB_Open");           // Cancel: the dialog starts in the folder kept
      const auto& requests = c.button == "Open" ? again.dialogs.openRequests : again.dialogs.saveRequests;
      QCOMPARE(requests.back().directory, QString::fromStdString(keep.path().string()));
    }
  }

  void FileChangedOnDiskIsCheckedAgainAtStart() {
    KeyRig rig;
    rig.OpenKeyFile(0);
    WriteBytes(rig.file, KeyFile(1, "9.99"));
    QString shownWhileWaiting;
    auto* status = rig.Field("E_Start");
    QObject::connect(status, &QLineEdit::textChanged, status, [&](const QString& t) {
      if (t == QStringLiteral("Connectting...")) shownWhileWaiting = rig.Field("E_SofVer")->text();
    });
    QCOMPARE(StartUntilConnecting(rig).first(), QStringLiteral("Connectting..."));
    QCOMPARE(shownWhileWaiting, QStringLiteral("9.99"));

    rig.OpenKeyFile(0);
    WriteBytes(rig.file, Bytes(64, 0x11));  // no longer a download file
    QVERIFY(StartUntilConnecting(rig).isEmpty());
    QCOMPARE(rig.messages.errors.size(), 1);
    QVERIFY(rig.messages.errors[0].contains(QStringLiteral("has changed since it was chosen")));
    QVERIFY(!rig.form.runActive());
    QVERIFY(rig.Field("E_Manu")->text().isEmpty());
  }

  void IdentAsksOncePerFileAndUndoes() {
    KeyRig rig;
    rig.OpenKeyFile(0);
    QLineEdit* ident = rig.Field("E_Ident");
    auto* note = rig.Child<QLabel>("L_Reason");
    const QString question = QStringLiteral("Write the change into %1?").arg(rig.FileName());
    struct Step {
      bool yes;
      char key;
      int inFile;  // the ident in the file after the key
      int questions;
    };
    // Cancel leaves the file; Yes writes it; the next change does not ask again.
    for (const Step step : {Step{false, '1', 0, 1}, Step{true, '1', 1, 2}, Step{false, '0', 0, 2}}) {
      rig.messages.answerYes = step.yes;
      ident->selectAll();
      QTest::keyClick(ident, step.key);
      QCOMPARE(IdentInFile(rig.file), step.inFile);
      QCOMPARE(ident->text(), QString::number(step.inFile));
      QCOMPARE(rig.messages.questions.size(), step.questions);
    }
    QCOMPARE(rig.messages.questions.last(), question);
    QVERIFY2(note->text().contains(QStringLiteral("Ident for nocheck 0 written into key.dld (was 1).")) &&
                 note->text().contains(QStringLiteral("href=\"undo\"")),
             qPrintable(note->text()));

    emit note->linkActivated(QStringLiteral("undo"));
    QCOMPARE(IdentInFile(rig.file), 1);
    QCOMPARE(ident->text(), QStringLiteral("1"));
    QVERIFY(VerifyDownloadFile(ReadWholeFile(rig.file)).ok());
    QVERIFY2(note->text().contains(QStringLiteral("Undone")), qPrintable(note->text()));
    rig.form.UndoLastHeaderChange();  // only the last change is undone
    QCOMPARE(IdentInFile(rig.file), 1);
    // Our own write is no change on disk: Start does not check the file again.
    StartUntilConnecting(rig);
    QVERIFY(rig.Child<QListWidget>("LB_Info")
                ->findItems(QStringLiteral("has changed"), Qt::MatchContains)
                .isEmpty());
  }

  void PortEntriesNameTheirDevice() {
    struct Case {
      PortDevice device;
      const char* text;
    };
    const Case cases[] = {
        {{"/dev/ttyUSB0", "FT232R USB UART"}, "COM.03 \u2014 USB adapter ttyUSB0"},
        {{"/dev/ttyACM1", "CDC modem"}, "COM.03 \u2014 USB adapter ttyACM1"},
        {{"/tmp/box/link", "simulated box (tuneflash-boxsim, pid 7)"}, "COM.03 \u2014 simulated box"},
        {{"/dev/ttyS1", "serial port"}, "COM.03 \u2014 serial port ttyS1"},
    };
    for (const Case& c : cases) {
      const PortEntry entry{"COM.03", c.device.path, ""};
      QCOMPARE(QString::fromStdString(PortEntryText(entry, &c.device)), QString::fromUtf8(c.text));
    }
    QCOMPARE(QString::fromStdString(PortEntryText({"COM.05", "", ""}, nullptr)), QStringLiteral("COM.05"));

    // In the window the list shows them, and the lamp says why it is red.
    KeyRig rig;
    rig.ports.devices.push_back({"/nonexistent/ttyUSB7", "USB adapter"});
    rig.Choose("CB_Com", 1);
    auto* list = rig.Child<QComboBox>("CB_Com");
    QCOMPARE(list->itemText(1), QString::fromUtf8("COM.02 \u2014 USB adapter ttyUSB7"));
    QCOMPARE(list->itemText(2), QStringLiteral("COM.03"));
    auto* lamp = rig.Child<PortLamp>("Shape_ComState");
    QCOMPARE(lamp->color(), QColor(Qt::red));
    QVERIFY2(lamp->toolTip().contains(QStringLiteral("ttyUSB7")), qPrintable(lamp->toolTip()));
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowSetupTest)
#include "window_setup_test.moc"

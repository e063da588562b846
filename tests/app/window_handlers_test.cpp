// The handlers of the main window without a box: the checks of Start, the
// identity panel's key filters and header write, the upload confirmation,
// stopping a run that waits for its box, and the single instance.
#include <unistd.h>

#include <QTimer>
#include <array>

#include "app/key_filter.h"
#include "app/port_lamp.h"
#include "app/single_instance.h"
#include "dld/file_io.h"
#include "dld/int_text.h"
#include "dld/record_reader.h"
#include "pty_pair.h"
#include "sample_files.h"
#include "window_fakes.h"

namespace tuneflash::app::testing {
namespace {

using tuneflash::testing::WriteBytes;

Bytes KeyFile(std::uint8_t ident) {
  SampleIdentity who;
  who.ident = ident;
  return SampleDownloadFile(PartitionSet::Key, who, 300);
}

// Writes a status frame as the box would, from the far side of the pty.
void BoxSends(const PtyPair& pty, std::array<std::uint8_t, 4> frame) {
  QVERIFY(::write(pty.master(), frame.data(), frame.size()) == 4);
}

constexpr std::array<std::uint8_t, 4> kHello{0x02, 0x01, 0x00, 0x03};

// Runs `action` once the status line shows "Connectting...".
void WhenConnecting(WindowRig& rig, std::function<void()> action) {
  auto* status = rig.Field("E_Start");
  auto connection = std::make_shared<QMetaObject::Connection>();
  *connection =
      QObject::connect(status, &QLineEdit::textChanged, status, [connection, action](const QString& t) {
        if (t != QStringLiteral("Connectting...")) return;
        QObject::disconnect(*connection);
        QTimer::singleShot(30, action);  // as if the person reacted a moment later
      });
}

}  // namespace

class WindowHandlersTest : public QObject {
  Q_OBJECT

  // A rig whose COM.01 is a pty nobody answers.
  struct PtyRig : WindowRig {
    PtyRig() { ports.devices = {{pty.device(), "test line"}}; }
    void OpenKeyFile(std::uint8_t ident = 0) {
      WriteBytes(file, KeyFile(ident));
      dialogs.answers << QString::fromStdString(file.string());
      Click("SB_Open");
    }
    PtyPair pty;
    std::filesystem::path file = dir / "key.dld";
  };

 private slots:
  void StartWithoutFileSaysWhichFileIsMissing() {
    PtyRig rig;
    rig.Click("SB_Sta");
    QCOMPARE(rig.Status(), QStringLiteral("Can not open download file!"));
    QVERIFY(rig.port.PortOpen());
    QCOMPARE(rig.Child<PortLamp>("Shape_ComState")->color(), QColor(0, 255, 0));
    for (int index = 1; index <= 6; ++index) {
      rig.Choose("CB_Upg", index);
      rig.Click("SB_Sta");
      QCOMPARE(rig.Status(), QStringLiteral("Can not open Upload file!"));
    }
    rig.Start(RunMode::SatcoDx);
    QCOMPARE(rig.Status(), QStringLiteral("Can not open satcodx file!"));
    QVERIFY(!rig.form.runActive());
  }

  void StartOnAVanishedFile() {
    PtyRig rig;
    rig.OpenKeyFile();
    std::filesystem::remove(rig.file);
    rig.Click("SB_Sta");
    QCOMPARE(rig.Status(), QStringLiteral("Find an error, when opening this file, maybe it inexistent!"));
  }

  void EntryWithoutDeviceLeavesTheLampRed() {
    PtyRig rig;
    auto* lamp = rig.Child<PortLamp>("Shape_ComState");
    rig.Choose("CB_Com", 0);
    QCOMPARE(lamp->color(), QColor(0, 255, 0));
    QVERIFY(rig.Child<QComboBox>("CB_Com")
                ->itemData(0, Qt::ToolTipRole)
                .toString()
                .contains(QString::fromStdString(rig.pty.device())));
    rig.Choose("CB_Com", 3);  // nothing behind COM.04
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(lamp->color(), QColor(Qt::red));
    rig.OpenKeyFile();
    rig.Click("SB_Sta");  // the port does not open: nothing starts, an error box says why
    QVERIFY(rig.Status().isEmpty());
    QCOMPARE(rig.messages.errors.size(), 1);
  }

  void OpenShowsTheIdentity() {
    PtyRig rig;
    rig.OpenKeyFile(1);
    QCOMPARE(rig.Field("E_FileName")->text(), QString::fromStdString(rig.file.string()));
    QCOMPARE(rig.Field("E_Ident")->text(), QStringLiteral("1"));
    QCOMPARE(rig.Field("E_Manu")->text(), QStringLiteral("BENCH-MAKER"));
    QCOMPARE(rig.Field("E_HarMod")->text(), QStringLiteral("HW7"));
    QCOMPARE(rig.Field("E_HarVer")->text(), QStringLiteral("1.2"));
    QCOMPARE(rig.Field("E_SofMod")->text(), QStringLiteral("SW3"));
    QCOMPARE(rig.Field("E_SofVer")->text(), QStringLiteral("4.05"));
    const QColor window = rig.form.style()->standardPalette().color(QPalette::Base);
    QCOMPARE(rig.Field("E_Ident")->palette().color(QPalette::Base), window);
    QVERIFY(rig.Field("E_Manu")->palette().color(QPalette::Base) != window);
    // Cancel on the next Open changes nothing.
    rig.Click("SB_Open");
    QCOMPARE(rig.Field("E_FileName")->text(), QString::fromStdString(rig.file.string()));
    QCOMPARE(rig.Field("E_Manu")->text(), QStringLiteral("BENCH-MAKER"));
  }

  void IdentTakesOnlyZeroOrOneAndIsWrittenOnKeyRelease() {
    PtyRig rig;
    rig.OpenKeyFile(0);
    rig.messages.answerYes = true;  // write into the file
    const Bytes before = ReadWholeFile(rig.file);
    QLineEdit* ident = rig.Field("E_Ident");
    ident->selectAll();
    for (const char key : {'2', 'a', ' '}) QTest::keyClick(ident, key);
    QTest::keyClick(ident, Qt::Key_Backspace);
    QCOMPARE(ident->text(), QStringLiteral("0"));
    QCOMPARE(ReadWholeFile(rig.file), before);  // key releases without a change write nothing

    QTest::keyClick(ident, '1');
    QCOMPARE(ident->text(), QStringLiteral("1"));
    const Bytes after = ReadWholeFile(rig.file);
    QCOMPARE(FILE_DOWNLOAD_HEADER_T::FromBytes(after).ucIdent, 1);
    QVERIFY(VerifyDownloadFile(after).ok());
    QVERIFY(!ident->isModified());
    QVERIFY(rig.messages.errors.isEmpty());
  }

  void VersionFieldsTakeDigitsAndDots() {
    QLineEdit edit;
    KeyFilter::Install(edit, IsVersionChar);
    QTest::keyClicks(&edit, QStringLiteral("1.2a-3 b"));
    QCOMPARE(edit.text(), QStringLiteral("1.23"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("1.23"));
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Delete);  // moving and deleting are not typing
    QCOMPARE(edit.text(), QStringLiteral("1.2"));
  }

  void EmptiedIdentIsAConversionErrorInAnErrorBox() {
    PtyRig rig;
    rig.OpenKeyFile(1);
    rig.messages.answerYes = true;  // write into the file
    const Bytes before = ReadWholeFile(rig.file);
    QLineEdit* ident = rig.Field("E_Ident");
    ident->selectAll();
    QTest::keyClick(ident, Qt::Key_Delete);
    QCOMPARE(rig.messages.errors, QStringList{QStringLiteral("'' is not a valid integer value")});
    QCOMPARE(ReadWholeFile(rig.file), before);
    QCOMPARE(ident->text(), QStringLiteral("1"));  // the file's value again
  }

  void IdentIsNotWrittenAfterReset() {
    PtyRig rig;
    rig.OpenKeyFile(0);
    const Bytes before = ReadWholeFile(rig.file);
    rig.Click("SB_Reset");
    QLineEdit* ident = rig.Field("E_Ident");
    QTest::keyClick(ident, '1');
    QCOMPARE(ReadWholeFile(rig.file), before);
    QVERIFY(ident->text().isEmpty());  // shows that nothing took
  }

  void UnwritableFileIsReportedNotSilentlySkipped() {
    PtyRig rig;
    rig.OpenKeyFile(0);
    // Something that cannot be opened for writing now stands where the file was.
    std::filesystem::remove(rig.file);
    std::filesystem::create_directory(rig.file);
    rig.messages.answerYes = true;  // write into the file
    QLineEdit* ident = rig.Field("E_Ident");
    ident->selectAll();
    QTest::keyClick(ident, '1');
    QCOMPARE(rig.messages.errors.size(), 1);
    QVERIFY(rig.messages.errors[0].contains(QString::fromStdString(rig.file.string())));
    QCOMPARE(ident->text(), QStringLiteral("0"));
  }

  void UploadOverAnExistingFileAsksFirst() {
    PtyRig rig;
    const std::filesystem::path target = rig.dir / "key-from-box.dld";
    WriteBytes(target, KeyFile(0));
    const Bytes before = ReadWholeFile(target);
    rig.Choose("CB_Upg", 3);  // Upload Key
    rig.dialogs.answers << QString::fromStdString(target.string());
    rig.Click("SB_Open");
    StatusLog log(*rig.Field("E_Start"));
    rig.Click("SB_Sta");
    // The question names the file; Cancel starts nothing and keeps the file.
    QCOMPARE(rig.messages.questions,
             QStringList{QStringLiteral("Data file already exists, are you sure to cover it?\n") +
                         QString::fromStdString(target.string())});
    QCOMPARE(rig.Field("E_FileName")->text(), QString::fromStdString(target.string()));
    QVERIFY(log.texts.isEmpty());
    QCOMPARE(ReadWholeFile(target), before);

    // Yes goes on to wait for the box, with the set's partition count.
    rig.messages.answerYes = true;
    WhenConnecting(rig, [&] { rig.Click("SB_Reset"); });
    rig.Click("SB_Sta");
    QCOMPARE(rig.form.runState().currentFileName, target);
    QCOMPARE(rig.form.runState().partitionCount, 1);
  }

  void ResetWhileConnectingEndsTheWaitSilently() {
    PtyRig rig;
    rig.OpenKeyFile();
    StatusLog log(*rig.Field("E_Start"));
    WhenConnecting(rig, [&] {
      QVERIFY(rig.form.runActive());
      QVERIFY(rig.Child<QWidget>("P_Start")->isEnabled());  // all controls usable while waiting
      rig.Click("SB_Reset");
    });
    rig.Click("SB_Sta");
    QCOMPARE(log.texts, (QStringList{"Connectting...", "Stopped"}));
    QCOMPARE(rig.Status(), QStringLiteral("Stopped"));
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.Child<PortLamp>("Shape_ComState")->color(), QColor(Qt::red));
    QVERIFY(!rig.form.runActive());
    QVERIFY(rig.Child<QWidget>("P_VerInfo")->isEnabled());
  }

  void AnotherFrameThanHelloFailsTheConnection() {
    PtyRig rig;
    rig.OpenKeyFile();
    StatusLog log(*rig.Field("E_Start"));
    WhenConnecting(rig, [&] { BoxSends(rig.pty, {0x02, 0x03, 0x01, 0x03}); });
    rig.Click("SB_Sta");
    QCOMPARE(log.texts, (QStringList{"Connectting...", "Connect failed!", "Update failed!"}));
    QVERIFY(rig.port.PortOpen());
    QVERIFY(rig.Child<QWidget>("CB_Upg")->isEnabled());
  }

  void ChoosingAPortWhileConnectingStopsTheRunAndOpensIt() {
    PtyRig rig;
    PtyPair second;
    rig.ports.devices.push_back({second.device(), "second line"});
    rig.OpenKeyFile();
    StatusLog log(*rig.Field("E_Start"));
    WhenConnecting(rig, [&] { rig.Choose("CB_Com", 1); });
    rig.Click("SB_Sta");
    QCOMPARE(log.texts, QStringList{QStringLiteral("Connectting...")});
    QVERIFY(!rig.form.runActive());
    QVERIFY(rig.port.PortOpen());
    QCOMPARE(rig.port.DeviceName(), second.device());
  }

  void StartWhileConnectingStartsOver() {
    PtyRig rig;
    rig.OpenKeyFile();
    StatusLog log(*rig.Field("E_Start"));
    bool waitingAgain = false;
    bool stopped = false;
    WhenConnecting(rig, [&] {
      QTest::mouseClick(rig.Child<QPushButton>("SB_Sta"), Qt::LeftButton);  // Start again, at once
      QTimer::singleShot(200, [&] {
        waitingAgain = rig.form.runActive() && rig.port.PortOpen();
        rig.Click("SB_Reset");
        stopped = true;
      });
    });
    rig.Click("SB_Sta");
    QTRY_VERIFY(stopped);
    QVERIFY(waitingAgain);
    QVERIFY(!rig.form.runActive());
    QCOMPARE(log.texts, (QStringList{"Connectting...", "Stopped"}));  // nothing failed in between
  }

  void CloseWhileConnectingEndsTheProgram() {
    PtyRig rig;
    rig.OpenKeyFile();
    QSignalSpy exit(&rig.form, &TFormMain::exitRequested);
    WhenConnecting(rig, [&] { rig.Click("SB_Close1"); });
    rig.Click("SB_Sta");
    QCOMPARE(exit.count(), 1);
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.Status(), QStringLiteral("Connectting..."));
  }

  void SatcoDxRunCallsItsSequence() {
    PtyRig rig;
    const std::filesystem::path sdx = rig.dir / "astra.sdx";
    WriteBytes(sdx, Bytes(128, 0x20));
    rig.dialogs.answers << QString::fromStdString(sdx.string());
    rig.form.OpenForMode(RunMode::SatcoDx);

    // Without a sequence the run fails.
    StatusLog log(*rig.Field("E_Start"));
    WhenConnecting(rig, [&] { BoxSends(rig.pty, kHello); });
    rig.Start(RunMode::SatcoDx);
    QCOMPARE(log.texts.last(), QStringLiteral("Update failed!"));

    std::vector<std::filesystem::path> seen;
    std::filesystem::path workFile;
    int partitionCount = 0;
    bool identLocked = false;
    rig.form.SetSatcoDxSequence([&](const SatcoDxRun& run) {
      // Asked on the window's thread, after the events the run made so far.
      QMetaObject::invokeMethod(
          rig.Field("E_Ident"), [&] { identLocked = rig.Field("E_Ident")->isReadOnly(); },
          Qt::BlockingQueuedConnection);
      workFile = run.workFile;
      partitionCount = run.partitionCount;
      seen = run.satcoDxFiles;
      return LinkOk();
    });
    log.texts.clear();
    WhenConnecting(rig, [&] { BoxSends(rig.pty, kHello); });
    rig.Start(RunMode::SatcoDx);
    QCOMPARE(seen, std::vector<std::filesystem::path>{sdx});
    QCOMPARE(workFile, rig.dir / "SatcoDX_FileName.dld");
    QCOMPARE(partitionCount, 8);
    QVERIFY(identLocked);  // locked while the sequence runs
    QCOMPARE(log.texts, (QStringList{"Connectting...", "Update Success!"}));  // one pass only
    QVERIFY(!rig.Field("E_Ident")->isReadOnly());
  }

  void SequenceThatThrowsLeavesControlsEnabled() {
    PtyRig rig;
    const std::filesystem::path sdx = rig.dir / "astra.sdx";
    WriteBytes(sdx, Bytes(10, 0x20));
    rig.dialogs.answers << QString::fromStdString(sdx.string());
    rig.form.OpenForMode(RunMode::SatcoDx);
    rig.form.SetSatcoDxSequence([&](const SatcoDxRun& run) -> LinkStatus {
      run.observer.SetRunControlsEnabled(false);
      throw ConversionError("12a");
    });
    WhenConnecting(rig, [&] { BoxSends(rig.pty, kHello); });
    rig.Start(RunMode::SatcoDx);
    QCOMPARE(rig.messages.errors, QStringList{QStringLiteral("'12a' is not a valid integer value")});
    for (const char* name : {"CB_Com", "CB_Upg", "P_Open", "P_Start", "P_VerInfo"}) {
      QVERIFY2(rig.Child<QWidget>(name)->isEnabled(), name);
    }
    QVERIFY(!rig.Field("E_Ident")->isReadOnly());
    QVERIFY(!rig.form.runActive());
  }

  void ActivateRestoresOrRaises() {
    WindowRig rig;
    rig.form.showMinimized();
    rig.form.ActivateInstance();
    QVERIFY(!rig.form.isMinimized());
    QVERIFY(rig.form.isVisible());
  }

  void SecondStartActivatesTheFirst() {
    const QString key = InstanceKey(QStringLiteral("[Tuneflash test]"), QString::number(::getpid()),
                                    QStringLiteral("offscreen"));
    SingleInstance first(key);
    QVERIFY(first.Claim());
    QSignalSpy activate(&first, &SingleInstance::activateRequested);
    SingleInstance second(key);
    QVERIFY(!second.Claim());
    QVERIFY(activate.wait(2000));
    QCOMPARE(activate.count(), 1);
  }

  void KeysDifferByUserAndDisplay() {
    const QString a =
        InstanceKey(QStringLiteral("[Tuneflash 3.0.10]"), QStringLiteral("ann"), QStringLiteral(":0"));
    QVERIFY(a.startsWith(QStringLiteral("[Tuneflash 3.0.10]")));
    QVERIFY(a !=
            InstanceKey(QStringLiteral("[Tuneflash 3.0.10]"), QStringLiteral("bob"), QStringLiteral(":0")));
    QVERIFY(a !=
            InstanceKey(QStringLiteral("[Tuneflash 3.0.10]"), QStringLiteral("ann"), QStringLiteral(":1")));
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowHandlersTest)
#include "window_handlers_test.moc"

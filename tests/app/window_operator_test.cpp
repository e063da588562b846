// What an operator expects of the window without a box: long identity values
// readable, a broken file refused on Open, a word when the chosen entry has
// no device, Enter and the default button, dialogs that start in the folder
// of the last file, the one-digit ident field, and a failure reported by a
// sequence kept as the last log line.
#include <unistd.h>

#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

#include "app/run_figures.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"
#include "pty_pair.h"
#include "sample_files.h"
#include "window_fakes.h"

namespace tuneflash::app::testing {
namespace {

using tuneflash::testing::WriteBytes;

constexpr std::array<std::uint8_t, 4> kHello{0x02, 0x01, 0x00, 0x03};

Bytes KeyFile(const SampleIdentity& who = {}) {
  return SampleDownloadFile(PartitionSet::Key, who, 300);
}

}  // namespace

class WindowOperatorTest : public QObject {
  Q_OBJECT

  struct PtyRig : WindowRig {
    PtyRig() { ports.devices = {{pty.device(), "test line"}}; }
    void Open(const std::filesystem::path& path) {
      dialogs.answers << QString::fromStdString(path.string());
      Click("SB_Open");
    }
    PtyPair pty;
  };

 private slots:
  void LongIdentityValuesShowTheirStart() {
    PtyRig rig;
    const std::filesystem::path file = rig.dir / "long.dld";
    WriteBytes(file, KeyFile({.manufacture = "MAXIMUM-LEN-ID1",
                              .hardwareModule = "HWMOD-88",
                              .hardwareVersion = "12.34.56.78",
                              .softwareModule = "SWMOD-88",
                              .softwareVersion = "98.76.54"}));
    rig.Open(file);
    for (const auto& [name, value] :
         {std::pair{"E_Manu", "MAXIMUM-LEN-ID1"}, std::pair{"E_HarMod", "HWMOD-88"},
          std::pair{"E_SofMod", "SWMOD-88"}, std::pair{"E_SofVer", "98.76.54"}}) {
      QLineEdit* field = rig.Field(name);
      QCOMPARE(field->text(), QString::fromLatin1(value));
      QCOMPARE(field->toolTip(), QString::fromLatin1(value));
      // The first character is drawn at the field's left edge, not scrolled away.
      QVERIFY2(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < field->width() / 4, name);
    }
  }

  void CorruptFileIsRefusedOnOpen() {
    PtyRig rig;
    const std::filesystem::path file = rig.dir / "broken.dld";
    Bytes bytes = KeyFile();
    bytes[bytes.size() - 10] ^= 0x5A;  // inside the last data record
    WriteBytes(file, bytes);
    rig.Open(file);
    QCOMPARE(rig.messages.errors.size(), 1);
    const QString error = rig.messages.errors.front();
    QVERIFY2(error.contains(QString::fromStdString(file.string())), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("data record of partition 1, offset ")), qPrintable(error));
    for (const char* name :
         {"E_FileName", "E_Ident", "E_Manu", "E_HarMod", "E_HarVer", "E_SofMod", "E_SofVer"}) {
      QVERIFY2(rig.Field(name)->text().isEmpty(), name);
    }
    rig.Click("SB_Sta");
    QCOMPARE(rig.Status(), QStringLiteral("Can not open download file!"));

    // A file that is too short to hold a header names the header record.
    WriteBytes(file, Bytes(20, 0x01));
    rig.Open(file);
    QVERIFY2(rig.messages.errors.last().contains(QStringLiteral("header record")),
             qPrintable(rig.messages.errors.last()));
  }

  void StartOnAnEntryWithoutADeviceSaysSo() {
    PtyRig rig;
    const std::filesystem::path file = rig.dir / "key.dld";
    WriteBytes(file, KeyFile());
    rig.Open(file);
    rig.Choose("CB_Com", 3);  // nothing behind COM.04: choosing it says nothing
    QVERIFY(rig.messages.errors.isEmpty());
    rig.Click("SB_Sta");
    QCOMPARE(rig.messages.errors.size(), 1);
    QVERIFY2(rig.messages.errors.front().startsWith(QStringLiteral("COM.04 has no serial device")),
             qPrintable(rig.messages.errors.front()));
    QVERIFY(rig.Status().isEmpty());
    QVERIFY(!rig.form.runActive());
  }

  void EnterPressesTheFocusedButtonElseStart() {
    PtyRig rig;
    QVERIFY(rig.Child<QPushButton>("SB_Sta")->isDefault());
    rig.Child<QPushButton>("SB_Open")->setFocus();
    QTest::keyClick(&rig.form, Qt::Key_Return);
    QCOMPARE(rig.dialogs.openRequests.size(), std::size_t{1});
    rig.Field("E_Ident")->setFocus();
    QTest::keyClick(&rig.form, Qt::Key_Enter);
    QCOMPARE(rig.Status(), QStringLiteral("Can not open download file!"));
  }

  void DialogsStartInTheFolderOfTheLastFile() {
    PtyRig rig;
    std::filesystem::create_directories(rig.dir / "lists");
    const std::filesystem::path file = rig.dir / "lists" / "key.dld";
    WriteBytes(file, KeyFile());
    rig.Open(file);
    QVERIFY(rig.dialogs.openRequests.front().directory.isEmpty());
    rig.Choose("CB_Upg", 3);  // Upload Key: Save
    rig.Click("SB_Open");     // cancelled
    const QString folder = QString::fromStdString((rig.dir / "lists").string());
    QCOMPARE(rig.dialogs.saveRequests.front().directory, folder);
    // A broken file chosen elsewhere still moves the next dialog there.
    WriteBytes(rig.dir / "broken.dld", Bytes(5, 0));
    rig.Choose("CB_Upg", 0);
    rig.Open(rig.dir / "broken.dld");
    rig.Click("SB_Open");
    QCOMPARE(rig.dialogs.openRequests.back().directory, QString::fromStdString(rig.dir.path().string()));
  }

  void TypedDigitReplacesTheIdent() {
    PtyRig rig;
    const std::filesystem::path file = rig.dir / "key.dld";
    WriteBytes(file, KeyFile({.ident = 0}));
    rig.Open(file);
    rig.messages.answerYes = true;  // write into the file
    QLineEdit* ident = rig.Field("E_Ident");
    ident->setFocus();
    ident->end(false);
    QTest::keyClick(ident, Qt::Key_1);
    QCOMPARE(ident->text(), QStringLiteral("1"));
    QCOMPARE(VerifyDownloadFile(ReadWholeFile(file)).header->ucIdent, 1);  // written on key release
    QTest::keyClick(ident, Qt::Key_0);
    QCOMPARE(ident->text(), QStringLiteral("0"));
    QTest::keyClick(ident, Qt::Key_7);  // filtered: the digit stays
    QCOMPARE(ident->text(), QStringLiteral("0"));
  }

  void ReasonReportedByASequenceIsTheLastLogLine() {
    PtyRig rig;
    const std::filesystem::path sdx = rig.dir / "astra.sdx";
    WriteBytes(sdx, Bytes(64, 0x20));
    rig.dialogs.answers << QString::fromStdString(sdx.string());
    rig.form.OpenForMode(RunMode::SatcoDx);
    LinkFailure failure;
    failure.cause = FailureCause::NoReply;
    failure.phase = LinkPhase::Transfer;
    failure.partition = 2;
    failure.block = 3;
    rig.form.SetSatcoDxSequence([&](const SatcoDxRun& run) -> LinkStatus {
      run.observer.ShowStatus("Transfer failed!");
      return failure;
    });
    QTimer::singleShot(50, [&] { QVERIFY(::write(rig.pty.master(), kHello.data(), kHello.size()) == 4); });
    rig.Start(RunMode::SatcoDx);

    auto* log = rig.Child<QListWidget>("LB_Info");
    QVERIFY(log->item(log->count() - 1)
                ->text()
                .endsWith(QStringLiteral("Reason: ") + QString::fromStdString(DescribeFailure(failure))));
    QCOMPARE(rig.form.tally().failed, 1);  // reported once: the window adds no reason of its own
    QVERIFY(rig.Field("E_Start")->toolTip().startsWith(QStringLiteral("Last failure: transfer")));
    QVERIFY(rig.Child<QWidget>("P_Info")->isVisible());
  }

  void FiguresForTheTooltips() {
    QCOMPARE(BoxTally({12, 1}).Text(), std::string("12 ok, 1 failed"));
    QCOMPARE(FiguresText(std::nullopt, std::nullopt), std::string());
    QCOMPARE(FiguresText(10 * 1024.0, std::chrono::milliseconds(6000)), std::string("10.0 KiB/s, 0:06 left"));
    QCOMPARE(FiguresText(std::nullopt, std::chrono::seconds(70)), std::string("1:10 left"));
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowOperatorTest)
#include "window_operator_test.moc"

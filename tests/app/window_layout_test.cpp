// The window as start-up leaves it, the About window, and the mode list's
// effect on Open/Save.
#include <QAction>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>

#include "app/form_about.h"
#include "app/port_lamp.h"
#include "tuneflash_version.h"
#include "window_fakes.h"

namespace tuneflash::app::testing {

class WindowLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void StartUpState() {
    WindowRig rig;
    QCOMPARE(rig.form.windowTitle(), QStringLiteral("Tuneflash " TUNEFLASH_VERSION));
    QCOMPARE(rig.form.width(), 447);
    QCOMPARE(rig.form.height(), 430);
    QCOMPARE(rig.form.minimumSize(), rig.form.maximumSize());  // fixed border
    QVERIFY(!(rig.form.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(rig.form.windowFlags() & Qt::WindowMinimizeButtonHint));

    auto* modes = rig.Child<QComboBox>("CB_Upg");
    QStringList entries;
    for (int i = 0; i < modes->count(); ++i) entries << modes->itemText(i);
    QCOMPARE(entries, (QStringList{"Download", "Upload Data", "Upload Default", "Upload Key", "Upload Loader",
                                   "Upload App", "Upload ALL", "Verify"}));
    QCOMPARE(modes->currentIndex(), 0);
    auto* ports = rig.Child<QComboBox>("CB_Com");
    QCOMPARE(ports->count(), 10);
    QCOMPARE(ports->currentText(), QStringLiteral("COM.01"));
    QCOMPARE(ports->itemText(9), QStringLiteral("COM.10"));
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(rig.Child<PortLamp>("Shape_ComState")->color(), QColor(Qt::red));

    QVERIFY(!rig.Child<QListWidget>("LB_Info")->isVisible());
    QVERIFY(!rig.Child<QWidget>("P_Info")->isVisible());
    QVERIFY(!rig.Child<QWidget>("P_Close2")->isVisible());
    QVERIFY(rig.Child<QWidget>("P_VerInfo")->isVisible());
    QVERIFY(rig.Child<QWidget>("P_But")->isVisible());
    QCOMPARE(rig.Child<QLabel>("Label3")->text(), QStringLiteral("Baudrates:"));
    QCOMPARE(rig.Field("E_Bau")->text(), QStringLiteral("115200[bps]"));
    QVERIFY(rig.Status().isEmpty());
    QVERIFY(rig.Field("E_FileName")->text().isEmpty());
    QCOMPARE(rig.Child<QPushButton>("SB_Open")->text(), QStringLiteral("Open"));
    QVERIFY(!rig.Field("E_Ident")->isReadOnly());
    QVERIFY(rig.Field("E_Manu")->isReadOnly());
    QCOMPARE(rig.Child<QProgressBar>("ProgressBarMain")->width(), 420);
    QCOMPARE(rig.form.font().family(), QStringLiteral("Arial"));
    QCOMPARE(rig.form.font().pixelSize(), 14);
  }

  void PanelsAndFieldsHaveTheirSizes() {
    WindowRig rig;
    QCOMPARE(rig.Child<QLabel>("Image1")->height(), 100);
    QCOMPARE(rig.Child<QWidget>("P_Main")->height(), 170);
    QCOMPARE(rig.Child<QWidget>("P_But")->height(), 30);
    QCOMPARE(rig.Child<QWidget>("P_VerInfo")->height(), 103);
    const std::pair<const char*, int> widths[] = {{"E_Ident", 70},   {"E_Manu", 110},  {"E_HarMod", 70},
                                                  {"E_HarVer", 110}, {"E_SofMod", 70}, {"E_SofVer", 110}};
    for (const auto& [name, width] : widths) {
      QCOMPARE(rig.Field(name)->width(), width);
      QCOMPARE(rig.Field(name)->height(), 24);
      QVERIFY(rig.form.rect().contains(
          rig.Field(name)->geometry().translated(rig.Field(name)->parentWidget()->pos())));
    }
    // Captions fit their labels.
    for (QLabel* label : rig.form.findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
               qPrintable(label->text()));
    }
  }

  void BannersDecodeAsJpeg() {
    QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
    for (const char* name : {":/tuneflash/banner_main.jpg", ":/tuneflash/banner_about.jpg"}) {
      QImageReader reader{QString::fromLatin1(name)};
      QCOMPARE(reader.format(), QByteArray("jpeg"));
      QVERIFY2(!reader.read().isNull(), name);
    }
    WindowRig rig;
    QVERIFY(!rig.Child<QLabel>("Image1")->pixmap().isNull());
  }

  void ModeChoiceSwitchesOpenAndSave() {
    WindowRig rig;
    rig.Field("E_FileName")->setText(QStringLiteral("left over"));
    rig.Field("E_Start")->setText(QStringLiteral("left over"));
    for (int index = 1; index <= 6; ++index) {
      rig.Choose("CB_Upg", index);
      QCOMPARE(rig.Child<QPushButton>("SB_Open")->text(), QStringLiteral("Save"));
      QVERIFY(rig.Field("E_FileName")->text().isEmpty());
      QVERIFY(rig.Status().isEmpty());
    }
    rig.Choose("CB_Upg", 0);
    QCOMPARE(rig.Child<QPushButton>("SB_Open")->text(), QStringLiteral("Open"));
    rig.Choose("CB_Upg", 7);  // Verify opens the file the box should hold
    QCOMPARE(rig.Child<QPushButton>("SB_Open")->text(), QStringLiteral("Open"));
  }

  void OpenAndSaveUseTheirDialogs() {
    WindowRig rig;
    rig.Click("SB_Open");
    QCOMPARE(rig.dialogs.openRequests.size(), 1u);
    QCOMPARE(rig.dialogs.openRequests[0].title, QStringLiteral("Open Download File"));
    QCOMPARE(rig.dialogs.openRequests[0].filter, QStringLiteral("Download files (*.dld)"));
    QCOMPARE(rig.dialogs.openRequests[0].defaultSuffix, QStringLiteral("dld"));

    rig.Choose("CB_Upg", 5);
    rig.dialogs.answers.push_back(QStringLiteral("/somewhere/app.dld"));
    rig.Click("SB_Open");
    QCOMPARE(rig.dialogs.saveRequests.size(), 1u);
    QCOMPARE(rig.dialogs.saveRequests[0].title, QStringLiteral("Save Upload File"));
    QCOMPARE(rig.dialogs.saveRequests[0].filter, QStringLiteral("Settings Files(*.dld);;All File(*.*)"));
    QCOMPARE(rig.Field("E_FileName")->text(), QStringLiteral("/somewhere/app.dld"));
    // Choosing the save file reads and writes nothing.
    QVERIFY(!QFileInfo::exists(QStringLiteral("/somewhere/app.dld")));

    rig.form.OpenForMode(RunMode::SatcoDx);
    QCOMPARE(rig.dialogs.openRequests.back().filter, QStringLiteral("Settings Files(*.sdx)"));
    QCOMPARE(rig.dialogs.openRequests.back().defaultSuffix, QStringLiteral("sdx"));
  }

  void InfoTogglesTheLog() {
    WindowRig rig;
    rig.form.AddLogLine("Get Data: Send NAK");
    QVERIFY(rig.Child<QWidget>("P_Info")->isVisible());  // something to show now
    rig.Click("SB_Info");
    auto* log = rig.Child<QListWidget>("LB_Info");
    QVERIFY(log->isVisible());
    QCOMPARE(rig.form.height(), 500);
    QCOMPARE(log->item(0)->text(), QStringLiteral("Get Data: Send NAK"));
    QVERIFY(log->geometry().bottom() < rig.form.height());
    QVERIFY(log->height() > 2 * log->fontMetrics().height());
    rig.Click("SB_Info");
    QVERIFY(!log->isVisible());
    // Hidden again, the window keeps its identity panel and buttons in view.
    QCOMPARE(rig.form.height(), 430);
  }

  void ProgressShowsTheJobsShareAndTheRunsFigures() {
    WindowRig rig;
    auto* bar = rig.Child<QProgressBar>("ProgressBarMain");
    JobProgress progress;
    progress.done = 1999;
    progress.total = 4000;
    progress.bytesPerSecond = 10 * 1024.0;
    progress.timeLeft = std::chrono::seconds(7);
    rig.form.OnEvent(progress);
    QCOMPARE(bar->text(), QStringLiteral("49%"));  // 100 % only once all is done
    QCOMPARE(bar->toolTip(), QStringLiteral("10.0 KiB/s, 0:07 left"));
    rig.form.ResetProgress();
    QCOMPARE(bar->value(), 0);
    QVERIFY(bar->toolTip().isEmpty());
  }

  void PopupMenuOffersAboutAndExit() {
    WindowRig rig;
    auto* menu = rig.Child<QMenu>("PopupMenu");
    QStringList texts;
    for (QAction* action : menu->actions())
      texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts, (QStringList{QStringLiteral("Channels\u2026"), "About...", "-", "Exit"}));
    QSignalSpy exit(&rig.form, &TFormMain::exitRequested);
    rig.Child<QAction>("NClose")->trigger();
    QCOMPARE(exit.count(), 1);
    QVERIFY(!rig.form.isVisible());
  }

  void AboutWindow() {
    TFormAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Upgrade"));
    QCOMPARE(about.size(), QSize(505, 500));
    QVERIFY(!(about.windowFlags() & Qt::WindowCloseButtonHint));
    auto* list = about.findChild<QListWidget*>(QStringLiteral("ListBox_Modif"));
    QCOMPARE(list->count(), 9);
    QCOMPARE(list->item(0)->text(), QStringLiteral("     Data                                Modification "));
    QCOMPARE(list->item(1)->text(), QString());
    QCOMPARE(list->item(8)->text(), QStringLiteral(" 2006.08.08 :   Modified \"Ident for nochec\" Bug."));
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("Tuneflash-Edit")));
    QVERIFY(
        texts.contains(QStringLiteral("Version :   " TUNEFLASH_VERSION "     (Build " TUNEFLASH_BUILD ")")));
    QVERIFY(texts.contains(QStringLiteral("Windows NT / 2000 / XP")));
    QVERIFY(texts.contains(QStringLiteral("Memory make use of :  16 M")));
    auto* product = about.findChild<QLabel*>(QStringLiteral("Label_Product"));
    QCOMPARE(product->font().pixelSize(), 56);
    QVERIFY(product->font().bold());
    // The whole last line is in view without scrolling.
    about.show();
    QVERIFY(list->visualItemRect(list->item(8)).bottom() <= list->viewport()->height());
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("BitBtn_OK"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }
};

}  // namespace tuneflash::app::testing

TUNEFLASH_WINDOW_TEST_MAIN(tuneflash::app::testing::WindowLayoutTest)
#include "window_layout_test.moc"

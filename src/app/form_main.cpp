// TFormMain: creation, the identity panel and the small handlers (Info,
// Close, About, Enter, key release, activate).
#include "app/form_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include "app/app_names.h"
#include "app/channel_editor_hook.h"
#include "app/form_about.h"
#include "app/key_filter.h"
#include "app/port_combo_box.h"
#include "app/port_lamp.h"
#include "app/station/station_entry.h"
#include "dld/file_io.h"

namespace tuneflash::app {
namespace {

const char* const kQuitQuestion = "A transfer is running. Stop it and quit?";
const char* const kOpensOnChoice = "it opens when a COM entry is chosen or Start is pressed";

// The six identity fields' texts of a header, in field order.
std::array<QString, kIdentityFieldCount> HeaderTexts(const FILE_DOWNLOAD_HEADER_SHOW_T& show) {
  return {
      show.ident < 0 ? QString() : QString::number(show.ident),
      QString::fromStdString(show.manufacture),
      QString::fromStdString(show.hardwareModule),
      QString::fromStdString(show.hardwareVersion),
      QString::fromStdString(show.softwareModule),
      QString::fromStdString(show.softwareVersion),
  };
}

}  // namespace

TFormMain::TFormMain(MainWindowServices services, QWidget* parent)
    : QWidget(parent, FixedCaptionFlags(Qt::Window)),
      services_(std::move(services)),
      errors_(services_.messages),
      w_(BuildMainWidgets(*this)),
      setup_(services_.setupFile) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QString::fromLatin1(kMainCaption));
  header_.SetDisplayListener(
      [this](const FILE_DOWNLOAD_HEADER_SHOW_T& show, bool cleared) { ShowHeader(show, cleared); });
  // The port reports every change, a port that went away under a run
  // included; a change on the lane's thread is shown on the window's.
  services_.port.SetStateListener([this](bool open) {
    QMetaObject::invokeMethod(
        this,
        [this, open] {
          w_.Shape_ComState->SetOpen(open);
          if (!open && !runActive_) ExplainClosedPort(QString::fromLatin1(kOpensOnChoice));
        },
        Qt::AutoConnection);
  });
  ConnectHandlers();
  FormCreate();
  RestoreSetup();
  // Each choice of the person is kept at once; Reset, which clears the
  // window, leaves what is kept as it was.
  connect(w_.CB_Com, &QComboBox::activated, this, &TFormMain::SaveSetup);
  connect(w_.CB_Upg, &QComboBox::activated, this, &TFormMain::SaveSetup);
  connect(w_.E_FileName, &QLineEdit::textChanged, this, [this](const QString& name) {
    if (!name.isEmpty()) SaveSetup();
  });
  CentreOnScreen(*this);
}

TFormMain::~TFormMain() {
  runner_.StopAndWait();
  services_.port.SetStateListener(nullptr);
}

void TFormMain::ConnectHandlers() {
  connect(w_.CB_Com, &QComboBox::activated, this, &TFormMain::CB_ComSelect);
  connect(w_.CB_Upg, &QComboBox::activated, this, &TFormMain::CB_UpgSelect);
  connect(w_.SB_Open, &QPushButton::clicked, this, &TFormMain::SB_OpenClick);
  connect(w_.SB_Sta, &QPushButton::clicked, this, &TFormMain::SB_StaClick);
  connect(w_.SB_Reset, &QPushButton::clicked, this, &TFormMain::SB_ResetClick);
  connect(w_.SB_Info, &QPushButton::clicked, this, &TFormMain::SB_InfoClick);
  connect(w_.SB_Close1, &QPushButton::clicked, this, &TFormMain::SB_Close1Click);
  connect(w_.SB_Close2, &QPushButton::clicked, this, &TFormMain::SB_Close1Click);
  connect(w_.NClose, &QAction::triggered, this, &TFormMain::SB_Close1Click);
  connect(w_.NShowForm, &QAction::triggered, this, &TFormMain::NShowFormClick);
  w_.CB_Com->SetBeforePopup([this] { RefreshPortTooltips(); });
  connect(w_.L_Reason, &QLabel::linkActivated, this, [this] { UndoLastHeaderChange(); });
  InstallChannelEditorHook(*this, w_, header_, services_.dialogs, services_.messages);
  // A long path shows its end (the file name); the tooltip has all of it.
  connect(w_.E_FileName, &QLineEdit::textChanged, w_.E_FileName, &QLineEdit::setToolTip);

  // A one-character field: a typed digit replaces the one there.
  KeyFilter::Install(*w_.identity[kIdent], IsIdentChar)->SetReplacesText(true);
  KeyFilter::Install(*w_.identity[kHarVer], IsVersionChar);
  KeyFilter::Install(*w_.identity[kSofVer], IsVersionChar);
  for (int field = 0; field < kIdentityFieldCount; ++field) {
    QLineEdit* edit = w_.identity[static_cast<std::size_t>(field)];
    auto* filter = edit->findChild<KeyFilter*>();
    if (filter == nullptr) filter = KeyFilter::Install(*edit, [](QChar) { return true; });
    filter->SetKeyUpHandler([this, field] { E_IdentKeyUp(field); });
  }
}

void TFormMain::FormCreate() {
  header_.ClearDownloadHeader();
  run_.satcoDxWorkFile = services_.workDirectory / "SatcoDX_FileName.dld";
  services_.port.CloseComPort();
  w_.Shape_ComState->SetOpen(false);
  ExplainClosedPort(QString::fromLatin1(kOpensOnChoice));
  run_.repeatRun = true;

  w_.identity[kIdent]->setReadOnly(false);  // grey, as cleared, until a file is loaded
  w_.P_VerInfo->setVisible(true);
  w_.P_But->setVisible(true);
  w_.LB_Info->setVisible(false);
  w_.P_Info->setVisible(false);
  w_.P_Close2->setVisible(false);
  logVisible_ = false;
  w_.Label3->setText(QStringLiteral("Baudrates:"));

  w_.E_Start->clear();
  w_.E_FileName->clear();
  ApplyFormHeight(*this, w_, kHeightStartup);

  w_.CB_Upg->clear();
  w_.CB_Upg->addItems(ModeListEntries());
  w_.CB_Com->setCurrentIndex(0);
  w_.CB_Upg->setCurrentIndex(0);
  RefreshPortTooltips();
}

// ---- the identity panel ----

void TFormMain::ShowHeader(const FILE_DOWNLOAD_HEADER_SHOW_T& show, bool cleared) {
  const std::array<QString, kIdentityFieldCount> texts = HeaderTexts(show);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    w_.identity[i]->setText(texts[i]);  // also ends "changed by typing"
    // A long value shows its start; the tooltip has all of it.
    w_.identity[i]->setCursorPosition(0);
    w_.identity[i]->setToolTip(texts[i]);
    if (cleared) PaintIdentityField(*w_.identity[i], false);
  }
  if (!cleared) PaintIdentityField(*w_.identity[kIdent], true);
}

void TFormMain::SetIdentEditable(bool editable) {
  QLineEdit& ident = *w_.identity[kIdent];
  ident.setReadOnly(!editable);
  PaintIdentityField(ident, editable);
}

void TFormMain::E_IdentKeyUp(int field) {
  QLineEdit& edit = *w_.identity[static_cast<std::size_t>(field)];
  if (!edit.isModified()) return;
  const std::filesystem::path file = run_.currentFileName;
  const QString fileName = QString::fromStdString(file.string());
  // A stray key must not rewrite a file unasked: the first change to each
  // file is confirmed.
  if (header_.loadedFrom() && !headerWritesAgreed_.contains(file)) {
    edit.setModified(false);
    if (!services_.messages.ConfirmYesCancel(this, QStringLiteral("Confirm"),
                                             QStringLiteral("Write the change into %1?").arg(fileName))) {
      ShowHeader(header_.show(), false);
      return;
    }
    headerWritesAgreed_.insert(file);
  }
  const QString before = HeaderTexts(header_.show())[static_cast<std::size_t>(field)];
  bool written = false;
  errors_.Guard(
      [&] {
        const HeaderWrite result = header_.SetDownloadHeaderField(field, edit.text().toStdString(), file);
        written = result == HeaderWrite::Written;
        if (result == HeaderWrite::CannotOpen) {
          throw FileError(file, "cannot be opened for writing; its header is unchanged");
        }
      },
      this);
  // When nothing was written the fields show the header as it stands, not as typed.
  if (!written) {
    ShowHeader(header_.show(), !header_.loadedFrom().has_value());
    return;
  }
  errors_.Guard([&] { RememberChosenBytes(ReadWholeFile(file)); }, this);
  RefreshRunFile();
  lastHeaderChange_ = HeaderChange{file, field, before};
  ShowNoteLine(
      QStringLiteral("%1 %2 written into %3 (was %4).")
          .arg(IdentityCaption(edit), edit.text(), QString::fromStdString(file.filename().string()), before),
      false, true);
}

// ---- Info, Close, About, activate ----

void TFormMain::SB_InfoClick() {
  logVisible_ = !logVisible_;
  w_.LB_Info->setVisible(logVisible_);
  ApplyFormHeight(*this, w_, logVisible_ ? kHeightWithLog : kHeightStartup);
  // The latest lines, the reason of a failure last, are what is looked for.
  if (logVisible_) w_.LB_Info->scrollToBottom();
}

void TFormMain::SB_Close1Click() {
  if (!sequenceWriting_) {
    QuitNow();
    return;
  }
  // A box is being written: ask first. The question waits without a loop of
  // its own, so the transfer goes on until the answer is Yes.
  if (quitAsked_) return;
  quitAsked_ = true;
  services_.messages.AskYesNo(this, QString::fromLatin1(kApplicationTitle),
                              QString::fromLatin1(kQuitQuestion), [this](bool yes) {
                                quitAsked_ = false;
                                if (yes) QuitNow();
                              });
}

void TFormMain::QuitNow() {
  StopRunByUser();
  // What the run's job uses may go with the window: the lane ends first.
  runner_.StopAndWait();
  hide();
  emit exitRequested();
}

void TFormMain::StopRunByUser() {
  stoppedByUser_ = true;
  if (runner_.running()) {
    // The lane closes its port at its next poll; its end follows.
    runner_.Stop();
    ExplainClosedPort(QStringLiteral("the run was stopped"));
  } else {
    services_.port.CloseComPort();
  }
}

void TFormMain::NShowFormClick() {
  errors_.Guard([&] {
    if (about_ == nullptr) {
      about_ = new TFormAbout(this);
      connect(about_, &QDialog::finished, about_, &QObject::deleteLater);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
  });
}

void TFormMain::ActivateInstance() {
  if (isMinimized()) {
    showNormal();
  } else {
    show();
    raise();
    activateWindow();
  }
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
  AddStationEntry(*w_.PopupMenu);
  w_.PopupMenu->popup(event->globalPos());
  event->accept();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // The caption has no close button; a close from the desktop ends the
  // program as Close does, asking first while a box is being written.
  if (!isVisible()) {
    event->accept();
    return;
  }
  event->ignore();
  SB_Close1Click();
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QWidget::keyPressEvent(event);
    return;
  }
  // Enter presses the focused button; elsewhere it presses Start.
  auto* button = qobject_cast<QPushButton*>(focusWidget());
  if (button == nullptr || !button->isVisible()) button = w_.SB_Sta;
  event->accept();
  if (button->isEnabled()) button->click();
}

bool TFormMain::StopWithText(const char* text) {
  w_.E_Start->setText(QString::fromLatin1(text));
  return false;
}

}  // namespace tuneflash::app

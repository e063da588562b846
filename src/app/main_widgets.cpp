// Builds and places the controls of the main window.
#include "app/main_widgets.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>

#include "app/port_combo_box.h"
#include "app/port_lamp.h"

namespace tuneflash::app {
namespace {

constexpr int kRowHeight = 24;
constexpr int kButtonHeight = 26;
constexpr int kMargin = 12;
// The tops of the four rows of the main panel, and the reason line under the last.
constexpr std::array<int, 4> kRowTop{8, 38, 68, 98};
constexpr int kReasonHeight = 18;
// The window is taller than its panels; the rest spaces them evenly.
constexpr int kPanelGap =
    (kHeightStartup - kBannerHeight - kMainPanelHeight - kButtonRowHeight - kIdentityPanelHeight) / 3;

template <typename T>
T* Make(QWidget* parent, const char* name) {
  auto* widget = new T(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QFrame* MakePanel(QWidget* parent, const char* name, bool bevel) {
  auto* panel = Make<QFrame>(parent, name);
  panel->setFrameStyle(bevel ? (QFrame::Panel | QFrame::Raised) : QFrame::NoFrame);
  panel->setAutoFillBackground(true);
  return panel;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
  auto* label = Make<QLabel>(parent, name);
  label->setText(QString::fromLatin1(caption));
  return label;
}

QLineEdit* MakeReadOnlyField(QWidget* parent, const char* name) {
  auto* field = Make<QLineEdit>(parent, name);
  field->setReadOnly(true);
  // Shown, not typed into: Tab passes them by, and focus leaving a disabled
  // control during a run does not land on them with their text selected.
  field->setFocusPolicy(Qt::ClickFocus);
  return field;
}

// A button filling its own small panel, as the run controls are enabled and
// disabled by their panels.
QPushButton* MakePanelButton(QWidget* panel, const char* name, const char* caption,
                             QStyle::StandardPixmap glyph) {
  auto* button = Make<QPushButton>(panel, name);
  button->setText(QString::fromLatin1(caption));
  button->setIcon(panel->style()->standardIcon(glyph));
  button->setFocusPolicy(Qt::TabFocus);
  auto* layout = new QGridLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(button);
  return button;
}

void BuildMainPanel(MainWidgets& w) {
  QFrame* p = w.P_Main;
  const int labelWidth = 66;
  const int fieldX = kMargin + labelWidth;
  const int fieldWidth = kClientWidth - kMargin - fieldX;

  // Row 1: port, wide enough to name the device it opens, and its lamp.
  w.Label1 = MakeLabel(p, "Label1", "COM:");
  w.Label1->setGeometry(kMargin, kRowTop[0], labelWidth, kRowHeight);
  w.CB_Com = Make<PortComboBox>(p, "CB_Com");
  w.CB_Com->setGeometry(fieldX, kRowTop[0], fieldWidth - PortLamp::kDiameter - 8, kRowHeight);
  for (int k = 1; k <= 10; ++k) w.CB_Com->addItem(QStringLiteral("COM.%1").arg(k, 2, 10, QLatin1Char('0')));
  w.Shape_ComState = new PortLamp(p);
  w.Shape_ComState->setObjectName(QStringLiteral("Shape_ComState"));
  w.Shape_ComState->move(kClientWidth - kMargin - PortLamp::kDiameter,
                         kRowTop[0] + (kRowHeight - PortLamp::kDiameter) / 2);

  // Row 2: mode list, and the line speed at the right.
  const int modeWidth = 160;
  const int bauWidth = 92;
  w.Label2 = MakeLabel(p, "Label2", "Upgrade:");
  w.Label2->setGeometry(kMargin, kRowTop[1], labelWidth, kRowHeight);
  w.CB_Upg = Make<QComboBox>(p, "CB_Upg");
  w.CB_Upg->setGeometry(fieldX, kRowTop[1], modeWidth, kRowHeight);
  w.E_Bau = MakeReadOnlyField(p, "E_Bau");
  w.E_Bau->setText(QStringLiteral("115200[bps]"));
  w.E_Bau->setGeometry(kClientWidth - kMargin - bauWidth, kRowTop[1], bauWidth, kRowHeight);
  w.Label3 = MakeLabel(p, "Label3", "Baudrates:");
  w.Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const int bauLabelX = fieldX + modeWidth + 6;
  w.Label3->setGeometry(bauLabelX, kRowTop[1], w.E_Bau->x() - 4 - bauLabelX, kRowHeight);

  // Rows 3 and 4: Open/Save with the file field, Start with the status line
  // and, beside it, the count of boxes.
  w.P_Open = MakePanel(p, "P_Open", false);
  w.P_Open->setGeometry(kMargin - 1, kRowTop[2] - 1, labelWidth - 4, kButtonHeight);
  w.SB_Open = MakePanelButton(w.P_Open, "SB_Open", "Open", QStyle::SP_DialogOpenButton);
  w.E_FileName = MakeReadOnlyField(p, "E_FileName");
  w.E_FileName->setGeometry(fieldX, kRowTop[2], fieldWidth, kRowHeight);

  const int boxesWidth = 136;
  w.P_Start = MakePanel(p, "P_Start", false);
  w.P_Start->setGeometry(kMargin - 1, kRowTop[3] - 1, labelWidth - 4, kButtonHeight);
  w.SB_Sta = MakePanelButton(w.P_Start, "SB_Sta", "Start", QStyle::SP_MediaPlay);
  w.SB_Sta->setDefault(true);  // Enter presses Start unless a button has the focus
  w.E_Start = MakeReadOnlyField(p, "E_Start");
  w.E_Start->setGeometry(fieldX, kRowTop[3], fieldWidth - boxesWidth - 6, kRowHeight);
  w.L_Boxes = Make<QLabel>(p, "L_Boxes");
  w.L_Boxes->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  w.L_Boxes->setAlignment(Qt::AlignCenter);
  w.L_Boxes->setGeometry(kClientWidth - kMargin - boxesWidth, kRowTop[3], boxesWidth, kRowHeight);

  // Row 5: the reason of a failure, in a line of its own under the status.
  w.L_Reason = Make<QLabel>(p, "L_Reason");
  w.L_Reason->setTextFormat(Qt::RichText);
  w.L_Reason->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  w.L_Reason->setGeometry(fieldX, kRowTop[3] + kRowHeight + 2, fieldWidth, kReasonHeight);

  // Row 6: progress.
  w.ProgressBarMain = Make<QProgressBar>(p, "ProgressBarMain");
  // Fine steps, so the bar moves with the bytes of a large file; its text
  // is the share of the job done.
  w.ProgressBarMain->setRange(0, kProgressSteps);
  w.ProgressBarMain->setAlignment(Qt::AlignCenter);
  w.ProgressBarMain->setValue(0);
  w.ProgressBarMain->setGeometry((kClientWidth - kProgressWidth) / 2, kMainPanelHeight - 8 - 16,
                                 kProgressWidth, 16);
}

void BuildButtonRow(MainWidgets& w) {
  QFrame* p = w.P_But;
  const int width = 76;
  const int y = (kButtonRowHeight - kButtonHeight) / 2;
  w.P_Info = MakePanel(p, "P_Info", false);
  w.P_Info->setGeometry(kMargin - 1, y, width, kButtonHeight);
  w.SB_Info = MakePanelButton(w.P_Info, "SB_Info", "Info", QStyle::SP_FileDialogDetailedView);
  auto* reset = MakePanel(p, "P_Reset", false);
  reset->setGeometry(kClientWidth - kMargin - 2 * width - 6, y, width, kButtonHeight);
  w.SB_Reset = MakePanelButton(reset, "SB_Reset", "Reset", QStyle::SP_BrowserReload);
  auto* close = MakePanel(p, "P_Close1", false);
  close->setGeometry(kClientWidth - kMargin - width + 1, y, width, kButtonHeight);
  w.SB_Close1 = MakePanelButton(close, "SB_Close1", "Close", QStyle::SP_DialogCloseButton);
}

void BuildIdentityPanel(MainWidgets& w) {
  struct FieldLayout {
    const char* name;
    const char* labelName;
    const char* caption;
    int width;
  };
  static constexpr std::array<FieldLayout, kIdentityFieldCount> kFields{{
      {"E_Ident", "Label_Ident", "Ident for nocheck:", 70},
      {"E_Manu", "Label_Manu", "Manufacture Ident:", 110},
      {"E_HarMod", "Label_HarMod", "Hardware Module:", 70},
      {"E_HarVer", "Label_HarVer", "Hardware Version:", 110},
      {"E_SofMod", "Label_SofMod", "Software Module:", 70},
      {"E_SofVer", "Label_SofVer", "Software Version:", 110},
  }};
  // Two columns of label and field; the labels take the width their longest
  // caption needs, right-aligned against their fields.
  const QFontMetrics metrics(w.P_VerInfo->font());
  std::array<int, 2> labelWidth{};
  for (int i = 0; i < kIdentityFieldCount; ++i) {
    int& widest = labelWidth[static_cast<std::size_t>(i % 2)];
    widest = std::max(
        widest,
        metrics.horizontalAdvance(QString::fromLatin1(kFields[static_cast<std::size_t>(i)].caption)) + 2);
  }
  const int rowPitch = kIdentityFieldHeight + 6;
  const int top = (kIdentityPanelHeight - 2 * rowPitch - kIdentityFieldHeight) / 2;
  const int rightColumn = kClientWidth - 10 - 110 - 4 - labelWidth[1];
  for (int i = 0; i < kIdentityFieldCount; ++i) {
    const FieldLayout& layout = kFields[static_cast<std::size_t>(i)];
    const int x = (i % 2 == 0) ? 8 : rightColumn;
    const int y = top + (i / 2) * rowPitch;
    const int width = labelWidth[static_cast<std::size_t>(i % 2)];
    auto* field = MakeReadOnlyField(w.P_VerInfo, layout.name);
    field->setGeometry(x + width + 4, y, layout.width, kIdentityFieldHeight);
    PaintIdentityField(*field, false);
    auto* label = MakeLabel(w.P_VerInfo, layout.labelName, layout.caption);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(x, y, width, kIdentityFieldHeight);
    label->setBuddy(field);
    w.identity[static_cast<std::size_t>(i)] = field;
  }
  // Typing is filtered too; these keep pasted or dropped text to the same characters.
  QLineEdit* ident = w.identity[kIdent];
  ident->setFocusPolicy(Qt::StrongFocus);
  ident->setMaxLength(1);
  ident->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[01]?")), ident));
  for (QLineEdit* version : {w.identity[kHarVer], w.identity[kSofVer]}) {
    version->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), version));
  }
}

void BuildPopupMenu(QWidget& form, MainWidgets& w) {
  w.PopupMenu = Make<QMenu>(&form, "PopupMenu");
  w.NShowForm = w.PopupMenu->addAction(QStringLiteral("About..."));
  w.NShowForm->setObjectName(QStringLiteral("NShowForm"));
  w.PopupMenu->addSeparator();
  w.NClose = w.PopupMenu->addAction(QStringLiteral("Exit"));
  w.NClose->setObjectName(QStringLiteral("NClose"));
}

}  // namespace

MainWidgets BuildMainWidgets(QWidget& form) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kFontPixelSize);
  form.setFont(font);

  MainWidgets w;
  w.Image1 = Make<QLabel>(&form, "Image1");
  w.Image1->setPixmap(QPixmap(QStringLiteral(":/tuneflash/banner_main.jpg")));
  w.Image1->setScaledContents(true);
  w.Image1->setGeometry(0, 0, kClientWidth, kBannerHeight);

  w.P_Close2 = MakePanel(&form, "P_Close2", false);
  w.P_Close2->setGeometry(kClientWidth - 84, 6, 78, kButtonHeight);
  w.SB_Close2 = MakePanelButton(w.P_Close2, "SB_Close2", "Close", QStyle::SP_DialogCloseButton);

  int y = kBannerHeight;
  w.P_Main = MakePanel(&form, "P_Main", true);
  w.P_Main->setGeometry(0, y, kClientWidth, kMainPanelHeight);
  BuildMainPanel(w);
  y += kMainPanelHeight + kPanelGap;

  w.P_But = MakePanel(&form, "P_But", true);
  w.P_But->setGeometry(0, y, kClientWidth, kButtonRowHeight);
  BuildButtonRow(w);
  y += kButtonRowHeight + kPanelGap;

  w.P_VerInfo = MakePanel(&form, "P_VerInfo", true);
  w.P_VerInfo->setGeometry(0, y, kClientWidth, kIdentityPanelHeight);
  BuildIdentityPanel(w);

  w.LB_Info = Make<QListWidget>(&form, "LB_Info");
  // A long line (a failure's reason) wraps rather than running off the edge.
  w.LB_Info->setWordWrap(true);
  w.LB_Info->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  w.LB_Info->setResizeMode(QListView::Adjust);
  w.P_Close2->raise();
  BuildPopupMenu(form, w);
  return w;
}

void ApplyFormHeight(QWidget& form, const MainWidgets& w, int height) {
  form.setFixedSize(kClientWidth, height);
  const int top = w.P_VerInfo->geometry().bottom() + 1 + kPanelGap;
  w.LB_Info->setGeometry(kMargin - 4, top, kClientWidth - 2 * (kMargin - 4),
                         std::max(0, height - top - kPanelGap));
}

void PaintIdentityField(QLineEdit& field, bool windowColour) {
  QPalette palette = field.palette();
  const QPalette standard = field.style()->standardPalette();
  palette.setColor(QPalette::Base,
                   windowColour ? standard.color(QPalette::Base) : standard.color(QPalette::Button));
  field.setPalette(palette);
}

QString IdentityCaption(const QLineEdit& field) {
  for (const QLabel* label : field.parentWidget()->findChildren<QLabel*>()) {
    if (label->buddy() == &field) return label->text().chopped(1);
  }
  return field.objectName();
}

QColor ErrorColour() {
  return QColor(0xC6, 0x28, 0x28);
}

void PaintProgressBar(QProgressBar& bar, bool failed) {
  QPalette palette = bar.style()->standardPalette();
  if (failed) palette.setColor(QPalette::Highlight, ErrorColour());
  bar.setPalette(palette);
}

}  // namespace tuneflash::app

// The controls of the main window, by their own names, and the geometry that
// places them: banner, main panel, button row, identity panel and log list.
#pragma once

#include <array>

class QAction;
class QColor;
class QString;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QWidget;

namespace tuneflash::app {

class PortComboBox;
class PortLamp;

inline constexpr int kClientWidth = 447;
inline constexpr int kHeightStartup = 430;
inline constexpr int kHeightWithLog = 500;
inline constexpr int kBannerHeight = 100;
inline constexpr int kMainPanelHeight = 170;
inline constexpr int kButtonRowHeight = 30;
inline constexpr int kIdentityPanelHeight = 103;
inline constexpr int kIdentityFieldHeight = 24;
inline constexpr int kProgressWidth = 420;
// The progress bar's range: 0 to this many steps of the whole job.
inline constexpr int kProgressSteps = 1000;
inline constexpr int kFontPixelSize = 14;

// Index of each identity field in MainWidgets::identity; equal to its header
// field selector.
enum IdentityField : int { kIdent = 0, kManu, kHarMod, kHarVer, kSofMod, kSofVer, kIdentityFieldCount };

struct MainWidgets {
  QLabel* Image1 = nullptr;
  QFrame* P_Main = nullptr;
  PortLamp* Shape_ComState = nullptr;
  QLabel* Label1 = nullptr;  // "COM:"
  PortComboBox* CB_Com = nullptr;
  QLabel* Label3 = nullptr;  // "Baudrates:"
  QLineEdit* E_Bau = nullptr;
  QLabel* Label2 = nullptr;  // "Upgrade:"
  QComboBox* CB_Upg = nullptr;
  QFrame* P_Open = nullptr;
  QPushButton* SB_Open = nullptr;
  QLineEdit* E_FileName = nullptr;
  QFrame* P_Start = nullptr;
  QPushButton* SB_Sta = nullptr;
  QLineEdit* E_Start = nullptr;
  QLabel* L_Boxes = nullptr;   // beside the status line: boxes done, failed, time of the box
  QLabel* L_Reason = nullptr;  // under the status line: why the last run failed
  QProgressBar* ProgressBarMain = nullptr;
  QFrame* P_Close2 = nullptr;
  QPushButton* SB_Close2 = nullptr;
  QFrame* P_But = nullptr;
  QFrame* P_Info = nullptr;
  QPushButton* SB_Info = nullptr;
  QPushButton* SB_Reset = nullptr;
  QPushButton* SB_Close1 = nullptr;
  QFrame* P_VerInfo = nullptr;
  std::array<QLineEdit*, kIdentityFieldCount> identity{};  // E_Ident .. E_SofVer
  QListWidget* LB_Info = nullptr;
  QMenu* PopupMenu = nullptr;
  QAction* NShowForm = nullptr;
  QAction* NClose = nullptr;
};

// Creates every control as a child of `form`, named, captioned and placed.
MainWidgets BuildMainWidgets(QWidget& form);

// Fixes the form at the client width and `height`, and lets the log list
// fill what is below the identity panel.
void ApplyFormHeight(QWidget& form, const MainWidgets& w, int height);

// Paints an identity field grey (button face) or in the window colour.
void PaintIdentityField(QLineEdit& field, bool windowColour);

// "Ident for nocheck": the caption of an identity field's label, without its colon.
QString IdentityCaption(const QLineEdit& field);

// The colour of what went wrong: the reason line and the bar after a failure.
QColor ErrorColour();

// Paints the bar's filled part in the error colour, or as the style has it.
void PaintProgressBar(QProgressBar& bar, bool failed);

}  // namespace tuneflash::app

// The About window: banner, product label, version texts and the list of
// modifications. Shown from the context menu beside the main window, without
// a loop of its own, so a running transfer keeps polling.
#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace tuneflash::app {

inline constexpr int kAboutWidth = 505;
inline constexpr int kAboutHeight = 500;

// The lines of ListBox_Modif, in order.
QStringList ModificationLines();

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFormAbout(QWidget* parent = nullptr);

 private:
  void FormCreate();

  QListWidget* listBoxModif_ = nullptr;
};

// Window flags of a fixed window whose caption has no buttons.
Qt::WindowFlags FixedCaptionFlags(Qt::WindowType kind);

// Moves `window` to the centre of the screen it is on.
void CentreOnScreen(QWidget& window);

}  // namespace tuneflash::app

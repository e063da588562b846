// The About window.
#include "app/form_about.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "tuneflash_version.h"

namespace tuneflash::app {
namespace {

constexpr int kBannerHeight = 110;
constexpr int kProductPixelSize = 56;
constexpr int kTextLeft = 36;

QLabel* MakeText(QWidget* parent, const char* name, const QString& text, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(kTextLeft, y, kAboutWidth - 2 * kTextLeft, 20);
  return label;
}

}  // namespace

QStringList ModificationLines() {
  return {
      QStringLiteral("     Data                                Modification "),
      QString(),
      QStringLiteral(" 2005.10.18 :   Win API."),
      QStringLiteral(" 2005.11.02 :   Upgrade data partition number 7 to 8."),
      QStringLiteral(" 2005.12.20 :   Add function of upgrade SatcoDX."),
      QStringLiteral(" 2006.03.06 :   Download Header(iTotalSize) is *.dld size."),
      QStringLiteral(" 2006.03.07 :   Size of loader(128K) to loader(64K)."),
      QStringLiteral(" 2006.03.10 :   Modified upgrade property."),
      QStringLiteral(" 2006.08.08 :   Modified \"Ident for nochec\" Bug."),
  };
}

Qt::WindowFlags FixedCaptionFlags(Qt::WindowType kind) {
  return kind | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent, FixedCaptionFlags(Qt::Dialog)) {
  setObjectName(QStringLiteral("FormAbout"));
  setWindowTitle(QStringLiteral("About Upgrade"));
  setFixedSize(kAboutWidth, kAboutHeight);

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(QPixmap(QStringLiteral(":/tuneflash/banner_about.jpg")));
  image->setScaledContents(true);
  image->setGeometry(0, 0, kAboutWidth, kBannerHeight);

  auto* product = MakeText(this, "Label_Product", QStringLiteral("Tuneflash-Edit"), kBannerHeight + 6);
  QFont display(QStringLiteral("Liberation Serif"));
  display.setPixelSize(kProductPixelSize);
  display.setBold(true);
  product->setFont(display);
  product->setGeometry(kTextLeft - 6, kBannerHeight + 4, kAboutWidth - 2 * kTextLeft, 68);

  int y = kBannerHeight + 72;
  MakeText(this, "Label_Version",
           QStringLiteral("Version :   " TUNEFLASH_VERSION "     (Build " TUNEFLASH_BUILD ")"), y);
  MakeText(this, "Label_System", QStringLiteral("Windows NT / 2000 / XP"), y += 20);
  MakeText(this, "Label_Memory", QStringLiteral("Memory make use of :  16 M"), y += 20);

  auto* group = new QGroupBox(QStringLiteral(" Modification "), this);
  group->setObjectName(QStringLiteral("GroupBox_Modif"));
  const int groupTop = y + 26;
  group->setGeometry(12, groupTop, kAboutWidth - 24, kAboutHeight - groupTop - 48);
  listBoxModif_ = new QListWidget(group);
  listBoxModif_->setObjectName(QStringLiteral("ListBox_Modif"));
  listBoxModif_->setSelectionMode(QAbstractItemView::NoSelection);
  listBoxModif_->setFocusPolicy(Qt::NoFocus);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->setContentsMargins(8, 4, 8, 8);
  groupLayout->addWidget(listBoxModif_);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("BitBtn_OK"));
  ok->setDefault(true);
  ok->setGeometry((kAboutWidth - 88) / 2, kAboutHeight - 38, 88, 28);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  FormCreate();
  CentreOnScreen(*this);
}

void TFormAbout::FormCreate() {
  listBoxModif_->clear();
  listBoxModif_->addItems(ModificationLines());
}

}  // namespace tuneflash::app

// The channel editor's menu entry and button in the main window.
#include "app/channel_editor_hook.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/app_names.h"
#include "app/channel_editor.h"
#include "dld/data_image.h"

namespace tuneflash::app {
namespace {

// At the end of the file row, which gives it room while it shows.
constexpr int kButtonWidth = 90;
constexpr int kButtonGap = 6;

bool DataFileChosen(const MainWidgets& w, const DownloadHeaderState& header) {
  return !w.E_FileName->text().isEmpty() && header.loadedFrom().has_value() &&
         header.header().ucPartitionCount == kDataPartitionCount;
}

}  // namespace

void InstallChannelEditorHook(QWidget& form, MainWidgets& w, const DownloadHeaderState& header,
                              FileDialogs& dialogs, MessageBoxes& messages) {
  auto* action = new QAction(QStringLiteral("Channels\u2026"), w.PopupMenu);
  action->setObjectName(QStringLiteral("NChannels"));
  w.PopupMenu->insertAction(w.NShowForm, action);

  auto* panel = new QFrame(w.P_Main);
  panel->setObjectName(QStringLiteral("P_Channels"));
  const QRect field = w.E_FileName->geometry();
  panel->setGeometry(field.right() + 1 - kButtonWidth, field.y() - 1, kButtonWidth, field.height() + 2);
  auto* button = new QPushButton(QStringLiteral("Channels\u2026"), panel);
  button->setObjectName(QStringLiteral("SB_Channels"));
  button->setFocusPolicy(Qt::TabFocus);
  auto* layout = new QGridLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(button);

  auto refresh = [&w, &header, action, panel, field] {
    const bool chosen = DataFileChosen(w, header);
    action->setEnabled(chosen);
    panel->setVisible(chosen);
    w.E_FileName->setGeometry(field.adjusted(0, 0, chosen ? -(kButtonWidth + kButtonGap) : 0, 0));
  };
  refresh();
  // The file field is filled before the file's header is read: look once
  // the window has done both.
  QObject::connect(w.E_FileName, &QLineEdit::textChanged, panel,
                   [panel, refresh] { QTimer::singleShot(0, panel, refresh); });

  auto open = [&form, &w, &header, &dialogs, &messages] {
    if (!DataFileChosen(w, header)) return;
    QString failure;
    auto editor = ChannelEditor::Open(*header.loadedFrom(), dialogs, messages, failure);
    if (!editor) {
      messages.ShowError(&form, QString::fromLatin1(kApplicationTitle),
                         QStringLiteral("%1\nholds no channel database that can be read: %2")
                             .arg(w.E_FileName->text(), failure));
      return;
    }
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->show();
    editor.release()->raise();
  };
  QObject::connect(action, &QAction::triggered, &form, open);
  QObject::connect(button, &QPushButton::clicked, &form, open);
}

}  // namespace tuneflash::app

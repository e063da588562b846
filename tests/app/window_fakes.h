// Stand-ins for a person at the desk: file dialogs that answer from a script,
// message boxes that record what they show, and a fixed port list. With them
// a test builds the real main window on the offscreen platform.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <memory>
#include <optional>

#include "app/form_main.h"
#include "app/tuneflash_application.h"
#include "app/ui_services.h"
#include "link/posix_com_port.h"
#include "support/temp_dir.h"
#include "tuneflash_version.h"

namespace tuneflash::app::testing {

class ScriptedDialogs final : public FileDialogs {
 public:
  QStringList answers;  // one per dialog shown; an empty name (or none left) = Cancel
  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;

  std::optional<QString> AskOpenFile(QWidget*, const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return Next();
  }
  std::optional<QString> AskSaveFile(QWidget*, const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Next();
  }

 private:
  std::optional<QString> Next() {
    const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
    if (answer.isEmpty()) return std::nullopt;
    return answer;
  }
};

class RecordingMessages final : public MessageBoxes {
 public:
  QStringList errors;
  QStringList questions;
  bool answerYes = false;
  // Yes/No questions: the answer each gets, in order (none left: no answer yet).
  QList<bool> yesNoAnswers;
  QStringList yesNoQuestions;

  void ShowError(QWidget*, const QString& title, const QString& text) override {
    QCOMPARE_EQ(title, QStringLiteral("[Tuneflash " TUNEFLASH_VERSION "]"));
    errors << text;
  }
  bool ConfirmYesCancel(QWidget*, const QString&, const QString& text) override {
    questions << text;
    return answerYes;
  }
  void AskYesNo(QWidget*, const QString& title, const QString& text,
                std::function<void(bool)> answer) override {
    QCOMPARE_EQ(title, QStringLiteral("[Tuneflash 3.0.00]"));
    yesNoQuestions << text;
    if (!yesNoAnswers.isEmpty()) answer(yesNoAnswers.takeFirst());
  }
};

class FixedPorts final : public PortList {
 public:
  std::vector<PortDevice> devices;
  std::vector<PortDevice> Devices() override { return devices; }
};

// The main window with scripted services, a real port and a scratch folder;
// its setup is kept in `setupFile` (by default one of the scratch folder).
struct WindowRig {
  explicit WindowRig(LinkTiming timing = {}, std::chrono::milliseconds pause = std::chrono::milliseconds(50),
                     const std::filesystem::path& setupFile = {})
      : form(MainWindowServices{dialogs, messages, ports, port, dir.path(), timing, pause,
                                setupFile.empty() ? dir / "window.conf" : setupFile}) {
    form.show();
  }

  template <typename T>
  T* Child(const char* name) {
    return form.findChild<T*>(QString::fromLatin1(name));
  }
  QLineEdit* Field(const char* name) { return Child<QLineEdit>(name); }
  QString Status() { return Field("E_Start")->text(); }

  // The person picks entry `index` of a drop-down list.
  void Choose(const char* list, int index) {
    auto* combo = Child<QComboBox>(list);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  // Start returns once the run has ended, as a person sees it end.
  void Click(const char* button) {
    QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
    if (QLatin1String(button) == QLatin1String("SB_Sta")) WaitForRunEnd();
  }
  void Start(RunMode mode) {
    form.StartRun(mode);
    WaitForRunEnd();
  }
  // Lets the window work until its run (and a run it starts over) has ended.
  void WaitForRunEnd() {
    for (int settled = 0; settled < 2;) {
      QTRY_VERIFY_WITH_TIMEOUT(!form.runActive(), 60000);
      QTest::qWait(1);
      settled = form.runActive() ? 0 : settled + 1;
    }
  }

  tuneflash::testing::TempDir dir;
  ScriptedDialogs dialogs;
  RecordingMessages messages;
  FixedPorts ports;
  PosixComPort port;
  TFormMain form;
};

// Every text the status line showed, in order.
class StatusLog {
 public:
  explicit StatusLog(QLineEdit& status) {
    QObject::connect(&status, &QLineEdit::textChanged, &status, [this](const QString& text) {
      if (!text.isEmpty()) texts << text;
    });
  }
  QStringList texts;
};

}  // namespace tuneflash::app::testing

// A Qt Test main with the window's application object and font.
#define TUNEFLASH_WINDOW_TEST_MAIN(TestClass)             \
  int main(int argc, char** argv) {                       \
    tuneflash::app::TuneflashApplication app(argc, argv); \
    TestClass test;                                       \
    return QTest::qExec(&test, argc, argv);               \
  }

// The window with a simulated box on COM.01, and helpers that act when the
// status line shows a given text: what the tests of whole runs share.
#pragma once

#include <QTimer>
#include <functional>
#include <memory>

#include "boxsim/box_sim.h"
#include "sample_files.h"
#include "window_fakes.h"

namespace tuneflash::app::testing {

using tuneflash::testing::WriteBytes;

inline Bytes LoaderFile() {
  return SampleDownloadFile(PartitionSet::Loader,
                            {.ident = 1, .softwareModule = "LDR", .softwareVersion = "2.10"}, 5000);
}

// Runs `action` at the window's next pump after the `nth` time the status line
// shows a text for which `matches` holds (a box answers within milliseconds).
inline void OnStatus(WindowRig& rig, std::function<bool(const QString&)> matches, int nth,
                     std::function<void()> action) {
  auto* status = rig.Field("E_Start");
  auto seen = std::make_shared<int>(0);
  auto connection = std::make_shared<QMetaObject::Connection>();
  *connection = QObject::connect(status, &QLineEdit::textChanged, status, [=](const QString& text) {
    if (!matches(text) || ++*seen < nth) return;
    QObject::disconnect(*connection);
    QTimer::singleShot(0, action);
  });
}

// Runs `look` the first time the status line shows `text`, at once: for
// reading what the window shows beside that text (the run goes on meanwhile
// on its own thread, so a later look would see a later state).
inline void WhenStatusShows(WindowRig& rig, const char* text, std::function<void()> look) {
  auto* status = rig.Field("E_Start");
  auto connection = std::make_shared<QMetaObject::Connection>();
  *connection = QObject::connect(status, &QLineEdit::textChanged, status, [=](const QString& shown) {
    if (shown != QLatin1String(text)) return;
    QObject::disconnect(*connection);
    look();
  });
}

inline bool Is(const QString& text, const char* expected) {
  return text == QLatin1String(expected);
}

// `expected` appears in `texts` in this order (other texts may lie between).
inline bool InOrder(const QStringList& texts, const QStringList& expected) {
  qsizetype at = 0;
  for (const QString& text : texts) {
    if (at < expected.size() && text == expected[at]) ++at;
  }
  return at == expected.size();
}

// Stops the download loop once its first box is through: Reset comes in the
// pause before the next box is awaited (the run goes on on its own thread,
// so a later Reset could meet the next box already under way).
inline void ResetAtTheNextBox(WindowRig& rig) {
  OnStatus(
      rig, [](const QString& t) { return Is(t, "Update Success!"); }, 1, [&rig] { rig.Click("SB_Reset"); });
}

struct BoxRig : WindowRig {
  // `wireRate` paces the box's line (bit/s): a test that acts while a box is
  // being written needs the transfer to last longer than the window's reply.
  explicit BoxRig(boxsim::BoxFaults faults = {}, LinkTiming timing = {}, long wireRate = 0)
      : WindowRig(timing, std::chrono::milliseconds(400)), box(MakeOptions(faults, wireRate)) {
    box.Start();
    ports.devices = {{box.DevicePath(), "simulated box"}};
  }
  ~BoxRig() { box.Stop(); }
  static boxsim::BoxSimOptions MakeOptions(boxsim::BoxFaults faults, long wireRate) {
    boxsim::BoxSimOptions options;
    options.faults = faults;
    options.line.wireRate = wireRate;
    return options;
  }
  void OpenLoaderFile() {
    WriteBytes(file, LoaderFile());
    dialogs.answers << QString::fromStdString(file.string());
    Click("SB_Open");
  }
  bool ControlsEnabled() {
    for (const char* name : {"CB_Com", "CB_Upg", "P_Open", "P_Start", "P_VerInfo", "P_But"}) {
      if (!Child<QWidget>(name)->isEnabled()) return false;
    }
    return true;
  }
  boxsim::BoxSim box;
  std::filesystem::path file = dir / "loader.dld";
};

}  // namespace tuneflash::app::testing

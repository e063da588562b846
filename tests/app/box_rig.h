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

struct BoxRig : WindowRig {
  explicit BoxRig(boxsim::BoxFaults faults = {}, LinkTiming timing = {})
      : WindowRig(timing, std::chrono::milliseconds(100)), box(MakeOptions(faults)) {
    box.Start();
    ports.devices = {{box.DevicePath(), "simulated box"}};
  }
  ~BoxRig() { box.Stop(); }
  static boxsim::BoxSimOptions MakeOptions(boxsim::BoxFaults faults) {
    boxsim::BoxSimOptions options;
    options.faults = faults;
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

// The window's SatcoDX download (run mode 1): the channel database and the
// conversion state that the window keeps between runs, and the sequence the
// Start loop calls after the box's hello (on the run's thread, reporting to
// the run's stream).
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "app/form_main.h"
#include "satcodx/satcodx_import.h"

namespace tuneflash::app {

class WindowSatcoDx {
 public:
  // Hooks itself into `form`'s Start loop; `form` reports the run.
  explicit WindowSatcoDx(TFormMain& form);
  WindowSatcoDx(const WindowSatcoDx&) = delete;
  WindowSatcoDx& operator=(const WindowSatcoDx&) = delete;

  // The pauses of the sequence (2000 and 1000 ms, not pumping); tests shorten them.
  void SetPause(std::function<void(std::chrono::milliseconds)> pause) { pause_ = std::move(pause); }

  LinkStatus Run(const SatcoDxRun& run);

 private:
  std::unique_ptr<BoxDatabase> db_;
  ConversionState conversion_;
  std::function<void(std::chrono::milliseconds)> pause_;
};

}  // namespace tuneflash::app

// The window's fixed names: captions, titles and the single-instance key.
#pragma once

#include <cstdint>

#include "tuneflash_version.h"

namespace tuneflash::app {

// Caption of the main window.
inline constexpr const char* kMainCaption = "Tuneflash " TUNEFLASH_VERSION;
// The application's title: the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "[Tuneflash " TUNEFLASH_VERSION "]";
// The class name of the main window; also the root of the single-instance key.
inline constexpr const char* kWindowClassName = "[Tuneflash " TUNEFLASH_BUILD "]";
// What a second start sends to the running instance.
inline constexpr std::uint32_t kActivateInstanceMessage = 0x1400;

}  // namespace tuneflash::app

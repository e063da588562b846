// The window's fixed names: captions, titles and the single-instance key.
#pragma once

#include <cstdint>

namespace tuneflash::app {

// Caption of the main window.
inline constexpr const char* kMainCaption = "Tuneflash 3.0.00";
// The application's title: the caption of its message boxes.
inline constexpr const char* kApplicationTitle = "[Tuneflash 3.0.00]";
// The class name of the main window; also the root of the single-instance key.
inline constexpr const char* kWindowClassName = "[Tuneflash 3.0.10]";
// What a second start sends to the running instance.
inline constexpr std::uint32_t kActivateInstanceMessage = 0x1400;

}  // namespace tuneflash::app

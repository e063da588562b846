// Live lines per port and the closing summary.
#include "cli/lane_console.h"

#include <algorithm>
#include <cstdio>

namespace tuneflash::cli {
namespace {

constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);

}  // namespace

LaneConsole::LaneConsole(std::ostream& out, std::ostream& log, bool terminal,
                         const std::vector<std::string>& ports)
    : out_(out), log_(log), terminal_(terminal) {
  for (const auto& port : ports) {
    LaneView view;
    view.port = port;
    lanes_.push_back(view);
    portWidth_ = std::max(portWidth_, static_cast<int>(port.size()));
  }
}

void LaneConsole::Status(int lane, const LaneView& view) {
  std::lock_guard lock(mutex_);
  auto& kept = lanes_.at(static_cast<std::size_t>(lane));
  const std::string port = kept.port;
  kept = view;
  kept.port = port;
  if (terminal_) {
    Redraw();
  } else {
    out_ << port << ": " << view.state << '\n' << std::flush;
  }
}

void LaneConsole::Log(int lane, std::string_view line) {
  Emit(log_, lane, line);
}

void LaneConsole::Print(int lane, std::string_view line) {
  Emit(out_, lane, line);
}

void LaneConsole::Emit(std::ostream& stream, int lane, std::string_view line) {
  std::lock_guard lock(mutex_);
  ClearLines();
  stream << lanes_.at(static_cast<std::size_t>(lane)).port << ": " << line << '\n' << std::flush;
  if (terminal_) Redraw();
}

void LaneConsole::Update(int lane, const LaneView& view, bool now) {
  std::lock_guard lock(mutex_);
  auto& kept = lanes_.at(static_cast<std::size_t>(lane));
  const std::string port = kept.port;
  kept = view;
  kept.port = port;
  if (terminal_ && (now || std::chrono::steady_clock::now() - lastDraw_ >= kRedrawPeriod)) Redraw();
}

LaneView LaneConsole::View(int lane) {
  std::lock_guard lock(mutex_);
  return lanes_.at(static_cast<std::size_t>(lane));
}

std::string LaneConsole::LiveLine(const LaneView& view) const {
  char percent[16] = "";
  if (view.percent >= 0) std::snprintf(percent, sizeof percent, "%3d%%", view.percent);
  char rate[40] = "";
  if (view.bytesPerSecond > 0) std::snprintf(rate, sizeof rate, "%6.1f KiB/s", view.bytesPerSecond / 1024.0);
  char line[256];
  std::snprintf(line, sizeof line, "%-*s  %-26.26s %4s %12s  done %d  failed %d", portWidth_,
                view.port.c_str(), view.state.c_str(), percent, rate, view.boxesDone, view.boxesFailed);
  return line;
}

// Moves back over the live lines and clears them (terminal only).
void LaneConsole::ClearLines() {
  if (!terminal_ || !drawn_) return;
  out_ << "\033[" << lanes_.size() << "F\033[J" << std::flush;
  drawn_ = false;
}

void LaneConsole::Redraw() {
  ClearLines();
  for (const auto& view : lanes_) out_ << "\033[2K" << LiveLine(view) << '\n';
  out_ << std::flush;
  drawn_ = true;
  lastDraw_ = std::chrono::steady_clock::now();
}

void LaneConsole::Finish() {
  std::lock_guard lock(mutex_);
  if (terminal_) Redraw();
  int portWidth = 4;
  int deviceWidth = 6;
  for (const auto& view : lanes_) {
    portWidth = std::max(portWidth, static_cast<int>(view.port.size()));
    deviceWidth = std::max(deviceWidth, static_cast<int>(view.device.size()));
  }
  char line[512];
  std::snprintf(line, sizeof line, "\n%-*s  %-*s  %5s  %6s  %s\n", portWidth, "port", deviceWidth, "device",
                "done", "failed", "last result");
  out_ << line;
  for (const auto& view : lanes_) {
    std::snprintf(line, sizeof line, "%-*s  %-*s  %5d  %6d  ", portWidth, view.port.c_str(), deviceWidth,
                  view.device.empty() ? "-" : view.device.c_str(), view.boxesDone, view.boxesFailed);
    out_ << line << (view.lastResult.empty() ? "-" : view.lastResult) << '\n';
  }
  out_ << std::flush;
}

}  // namespace tuneflash::cli

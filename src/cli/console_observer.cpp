// Status lines and the terminal's progress bar.
#include "cli/console_observer.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tuneflash::cli {
namespace {

constexpr int kBarWidth = 30;

std::string FormatDuration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char out[32];
  std::snprintf(out, sizeof out, "%ld:%02ld", s / 60, s % 60);
  return out;
}

}  // namespace

ConsoleObserver::ConsoleObserver(ComPort& port, StopSignals& interrupt, std::ostream& out, std::ostream& log,
                                 bool terminal)
    : port_(port), interrupt_(interrupt), out_(out), log_(log), terminal_(terminal) {}

void ConsoleObserver::ShowStatus(std::string_view text) {
  if (!terminal_ || !barPhase_) {
    EndBar();
    out_ << text << '\n' << std::flush;
    return;
  }
  phaseText_ = std::string(text);
  DrawBar();
}

void ConsoleObserver::OnProgress(const ProgressEvent& event) {
  if (event.phase != LinkPhase::Transfer && event.phase != LinkPhase::Erase &&
      event.phase != LinkPhase::Program)
    return;
  switch (event.kind) {
    case ProgressEvent::Kind::PhaseStarted:
      barPhase_ = true;
      phaseStart_ = std::chrono::steady_clock::now();
      phaseText_.clear();
      bytes_ = 0;
      done_ = 0;
      total_ = event.total;
      break;
    case ProgressEvent::Kind::Advanced:
      done_ = event.done;
      total_ = event.total;
      if (barShown_ && std::chrono::steady_clock::now() - lastDraw_ > std::chrono::milliseconds(100))
        DrawBar();
      break;
    case ProgressEvent::Kind::PhaseEnded:
      EndBar();
      barPhase_ = false;
      break;
  }
}

void ConsoleObserver::DrawBar() {
  if (!terminal_) return;
  const double fraction =
      total_ > 0 ? std::min(1.0, static_cast<double>(done_) / static_cast<double>(total_)) : 0.0;
  const int filled = static_cast<int>(fraction * kBarWidth + 0.5);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStart_).count();
  std::string line = "\r\033[K[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " + phaseText_;
  char extra[64];
  if (bytes_ > 0 && elapsed > 0) {
    std::snprintf(extra, sizeof extra, "  %.1f KiB/s", static_cast<double>(bytes_) / 1024.0 / elapsed);
    line += extra;
  }
  if (fraction > 0 && fraction < 1)
    line += "  " + FormatDuration(elapsed * (1 - fraction) / fraction) + " left";
  out_ << line << std::flush;
  barShown_ = true;
  lastDraw_ = std::chrono::steady_clock::now();
}

void ConsoleObserver::EndBar() {
  if (barShown_) out_ << '\n';
  barShown_ = false;
}

void ConsoleObserver::Finish() {
  EndBar();
}

void ConsoleObserver::AddLogLine(std::string_view line) {
  EndBar();
  log_ << line << '\n' << std::flush;
}

void ConsoleObserver::ReportFailure(const LinkFailure& failure) {
  EndBar();
  log_ << "tuneflash-cli: " << DescribeFailure(failure) << '\n' << std::flush;
}

void ConsoleObserver::ResetProgress() {}

void ConsoleObserver::StepProgress(int, int) {}

void ConsoleObserver::AddTransferredBytes(std::size_t count) {
  bytes_ += count;
}

void ConsoleObserver::Pump() {
  if (!interrupted_ && interrupt_.Arrived()) Interrupt();
}

void ConsoleObserver::Interrupt() {
  interrupted_ = true;
  port_.CloseComPort();
}

}  // namespace tuneflash::cli

// Status lines and the terminal's progress bar.
#include "cli/console_observer.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tuneflash::cli {
namespace {

constexpr int kBarWidth = 30;

std::string FormatDuration(std::chrono::milliseconds left) {
  const long long s = (left.count() + 500) / 1000;
  char out[32];
  std::snprintf(out, sizeof out, "%lld:%02lld", s / 60, s % 60);
  return out;
}

bool HasBar(LinkPhase phase) {
  return phase == LinkPhase::Transfer || phase == LinkPhase::Erase || phase == LinkPhase::Program;
}

// The share of the job done: of its bytes when their total is known, else of
// the phase's partitions.
double ShareDone(const JobProgress& p) {
  if (p.total > 0) return std::min(1.0, static_cast<double>(p.done) / static_cast<double>(p.total));
  if (p.partitions > 0) return std::min(1.0, static_cast<double>(p.partitionsDone) / p.partitions);
  return 0.0;
}

}  // namespace

ConsoleObserver::ConsoleObserver(std::ostream& out, std::ostream& log, bool terminal)
    : out_(out), log_(log), terminal_(terminal) {}

void ConsoleObserver::OnStatusLine(const StatusLine& status) {
  if (!terminal_ || !barPhase_) {
    EndBar();
    out_ << status.text << '\n' << std::flush;
    return;
  }
  phaseText_ = status.text;
  DrawBar();
}

void ConsoleObserver::OnPhaseStarted(const PhaseStarted& started) {
  if (!HasBar(started.phase)) return;
  barPhase_ = true;
  phaseText_.clear();
}

void ConsoleObserver::OnJobProgress(const JobProgress& progress) {
  progress_ = progress;
  if (barPhase_ && barShown_ && std::chrono::steady_clock::now() - lastDraw_ > std::chrono::milliseconds(100))
    DrawBar();
}

void ConsoleObserver::OnPhaseEnded(const PhaseEnded& ended) {
  if (!HasBar(ended.phase)) return;
  EndBar();
  barPhase_ = false;
}

void ConsoleObserver::DrawBar() {
  if (!terminal_) return;
  const double fraction = ShareDone(progress_);
  const int filled = static_cast<int>(fraction * kBarWidth + 0.5);
  std::string line = "\r\033[K[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " + phaseText_;
  char extra[64];
  if (progress_.phase == LinkPhase::Transfer && progress_.bytesPerSecond && *progress_.bytesPerSecond > 0) {
    std::snprintf(extra, sizeof extra, "  %.1f KiB/s", *progress_.bytesPerSecond / 1024.0);
    line += extra;
  }
  if (progress_.phase == LinkPhase::Transfer && progress_.timeLeft)
    line += "  " + FormatDuration(*progress_.timeLeft) + " left";
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

void ConsoleObserver::OnLogLine(const LogLine& line) {
  EndBar();
  log_ << line.text << '\n' << std::flush;
}

void ConsoleObserver::OnFailed(const Failed& failed) {
  EndBar();
  log_ << "tuneflash-cli: " << failed.reason << '\n' << std::flush;
}

}  // namespace tuneflash::cli

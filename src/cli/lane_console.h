// The console of a run on several ports. On a terminal each port keeps one
// live line (state, percent, rate, boxes done) that is redrawn in place;
// without a terminal every status line is printed as it comes, prefixed with
// its port. The ports run on their own threads: this is the one place they
// meet, behind one mutex.
#pragma once

#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tuneflash::cli {

// What one port's line shows.
struct LaneView {
  std::string port;
  std::string device;
  std::string state;  // the last status text
  int percent = -1;   // of the running phase; -1 when it has none
  double bytesPerSecond = 0;
  int boxesDone = 0;  // boxes that ended with success
  int boxesFailed = 0;
  std::string lastResult;  // how the last box ended, or why the port stopped
};

class LaneConsole {
 public:
  LaneConsole(std::ostream& out, std::ostream& log, bool terminal, const std::vector<std::string>& ports);

  // A new status of `lane` (view.state): printed at once, with its port in
  // front when there is no terminal.
  void Status(int lane, const LaneView& view);
  // A log line of `lane`, on the log stream, with its port in front.
  void Log(int lane, std::string_view line);
  // A result line of `lane` (a verified partition), on the output, with its port in front.
  void Print(int lane, std::string_view line);
  // Replaces the lane's view; on a terminal redrawn at most ten times a
  // second unless `now` asks for it at once. Without a terminal it is only
  // kept for the summary.
  void Update(int lane, const LaneView& view, bool now = false);
  LaneView View(int lane);

  // Ends the live lines and prints the summary table: per port the boxes
  // done and failed and the last result.
  void Finish();

 private:
  void Redraw();
  void ClearLines();
  void Emit(std::ostream& stream, int lane, std::string_view line);
  std::string LiveLine(const LaneView& view) const;

  std::mutex mutex_;
  std::ostream& out_;
  std::ostream& log_;
  bool terminal_;
  std::vector<LaneView> lanes_;
  int portWidth_ = 6;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace tuneflash::cli

// tuneflash-boxsim: a simulated box on a pseudo-terminal, for tests, demos
// and anyone without a box on the desk.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include "boxsim/box_sim.h"
#include "link/box_registry.h"
#include "tuneflash_version.h"

namespace {

using tuneflash::boxsim::BoxSim;
using tuneflash::boxsim::BoxSimOptions;

// Links `link` to `device`, replacing an older link but never another file.
bool MakeLink(const std::filesystem::path& link, const std::string& device) {
  std::error_code ec;
  if (std::filesystem::is_symlink(link, ec)) {
    std::filesystem::remove(link, ec);
  } else if (std::filesystem::exists(link, ec)) {
    std::cerr << "tuneflash-boxsim: '" << link.string() << "' exists and is not a link; not replaced\n";
    return false;
  }
  std::filesystem::create_symlink(device, link, ec);
  if (ec) {
    std::cerr << "tuneflash-boxsim: cannot link '" << link.string() << "': " << ec.message() << "\n";
    return false;
  }
  return true;
}

// Box k (from 1) of several: PATH for the first, PATH.k for the others.
std::string NthPath(const std::string& path, int k) {
  return path.empty() || k == 1 ? path : path + "." + std::to_string(k);
}

// One simulated box of the program, with its link and announcement.
struct RunningBox {
  std::unique_ptr<BoxSim> box;
  std::string link;
  std::unique_ptr<tuneflash::BoxAnnouncement> announcement;
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "A simulated box on a pseudo-terminal: says hello, takes downloads into its flash model and "
      "answers uploads from it.",
      "tuneflash-boxsim"};
  app.set_version_flag("--version", "tuneflash-boxsim " TUNEFLASH_VERSION);
  BoxSimOptions options;
  std::string link;
  std::string flash;
  bool trace = false;
  bool announce = true;
  int boxes = 1;
  app.add_option(
      "--link", link,
      "Make PATH a symbolic link to the box's device while it runs (with --boxes: PATH, PATH.2, ...)");
  app.add_option("--boxes", boxes, "Run N boxes, each on its own pseudo-terminal; faults apply to each")
      ->check(CLI::Range(1, 32));
  app.add_option("--wire-rate", options.line.wireRate, "Pace the line at BAUD (11 bits per character)")
      ->check(CLI::Range(300L, 4'000'000L));
  app.add_flag("--trace", trace, "Hex-dump every frame in and out, with a timestamp, on stderr");
  app.add_option(
      "--flash", flash,
      "Flash model: loaded at start when it exists, saved after each download (with --boxes: FILE, "
      "FILE.2, ...)");
  app.add_flag("!--no-announce", announce, "Do not offer the box in the port list");
  auto& f = options.faults;
  app.add_option("--refuse-header", f.refuseHeader, "NAK the first N download headers");
  app.add_option("--nak-block", f.nakBlock, "NAK the K-th data block of a download once");
  app.add_option("--bad-upload-sum", f.badUploadSumBlock, "Send the K-th upload block with a wrong sum once");
  app.add_option("--stray-before-reply", f.strayBeforeReply, "Send a stray byte before the K-th reply");
  // Partitions count from 1 on the command line, as everywhere a person reads them.
  int eraseFail = 0;
  int programFail = 0;
  int hangupWhileErasing = 0;
  int badDataRecord = 0;
  int badDataTag = 0;
  app.add_option("--erase-fail", eraseFail, "Report an erase failure for partition I (from 1)")
      ->check(CLI::Range(1, 255));
  app.add_option("--erase-fail-times", f.eraseFailTimes, "... this many times before it succeeds")
      ->default_val(1);
  app.add_option("--silent-after-block", f.silentAfterBlock, "Fall silent after the K-th data block");
  app.add_flag("--bad-upload-header", f.badUploadHeader, "Send the upload header with a wrong check value");
  app.add_option("--program-fail", programFail, "Report a program failure for partition I (from 1)")
      ->check(CLI::Range(1, 255));
  app.add_option("--hangup-after-block", f.hangupAfterBlock,
                 "Hang up the line (like a pulled adapter) at the K-th data block: instead of its ACK in a "
                 "download, instead of sending it in an upload");
  app.add_option("--hangup-while-erasing", hangupWhileErasing,
                 "Hang up the line instead of the erase result of partition I (from 1)")
      ->check(CLI::Range(1, 255));
  app.add_option("--refuse-upload-request", f.refuseUploadRequest, "NAK the first N upload requests");
  app.add_flag("--no-upload-header", f.noUploadHeader, "Never send the upload header");
  app.add_flag("--bad-upload-partition", f.badUploadPartition,
               "Send the first partition record of an upload with a wrong check value once");
  app.add_option("--bad-data-record", badDataRecord,
                 "Send partition I's (from 1) upload data record with a wrong check value (block sums hold)")
      ->check(CLI::Range(1, 255));
  app.add_option("--bad-data-tag", badDataTag,
                 "Send partition I's (from 1) upload data record with a wrong tag (block sums hold)")
      ->check(CLI::Range(1, 255));
  CLI11_PARSE(app, argc, argv);
  f.eraseFailPartition = eraseFail - 1;
  f.programFailPartition = programFail - 1;
  f.hangupWhileErasing = hangupWhileErasing - 1;
  f.badDataRecordPartition = badDataRecord - 1;
  f.badDataTagPartition = badDataTag - 1;

  // SIGINT and SIGTERM arrive on a descriptor that the box's waits watch.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  options.line.stopFd = stopFd;
  if (trace) options.line.trace = &std::cerr;
  try {
    std::vector<RunningBox> running;
    for (int k = 1; k <= boxes; ++k) {
      BoxSimOptions boxOptions = options;
      boxOptions.flashFile = NthPath(flash, k);
      RunningBox entry{std::make_unique<BoxSim>(boxOptions), NthPath(link, k), nullptr};
      const std::string device = entry.link.empty() ? entry.box->DevicePath() : entry.link;
      if (!entry.link.empty() && !MakeLink(entry.link, entry.box->DevicePath())) return 1;
      if (announce)
        entry.announcement =
            std::make_unique<tuneflash::BoxAnnouncement>(tuneflash::DefaultBoxRegistry(), device);
      std::cout << "tuneflash-boxsim: box on " << device;
      if (!entry.link.empty()) std::cout << " (" << entry.box->DevicePath() << ")";
      std::cout << (boxes == 1 ? "; Ctrl-C stops it" : "") << std::endl;
      running.push_back(std::move(entry));
    }
    if (boxes > 1) std::cout << "tuneflash-boxsim: " << boxes << " boxes; Ctrl-C stops them" << std::endl;
    // One box plays on this thread and ends with it (a hang-up ends the
    // program). Several play on their own threads until the stop signal, so
    // a box that hangs up does not end the others.
    if (running.size() == 1) {
      running.front().box->Run();
    } else {
      for (auto& entry : running) entry.box->Start();
      pollfd stop{stopFd, POLLIN, 0};
      while (::poll(&stop, 1, -1) < 0 && errno == EINTR) {
      }
      for (auto& entry : running) entry.box->Stop();
    }
    for (auto& entry : running) {
      if (!entry.link.empty()) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.link, ec) == entry.box->DevicePath())
          std::filesystem::remove(entry.link, ec);
      }
      if (const auto error = entry.box->LastError(); !error.empty())
        std::cerr << "tuneflash-boxsim: " << error << "\n";
      const auto record = entry.box->Record();
      if (!record.protocolErrors.empty())
        std::cerr << "tuneflash-boxsim: " << record.protocolErrors.size() << " protocol error(s) of the PC\n";
      std::cout << "tuneflash-boxsim: " << (boxes > 1 ? "box on " + entry.box->DevicePath() + " " : "")
                << "stopped after " << record.downloadsCompleted << " download(s) and "
                << record.uploadsCompleted << " upload(s)" << std::endl;
    }
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-boxsim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

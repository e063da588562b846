// tuneflash-boxsim: a simulated box on a pseudo-terminal, for tests, demos
// and anyone without a box on the desk.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <optional>

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
  app.add_option("--link", link, "Make PATH a symbolic link to the box's device while it runs");
  app.add_option("--wire-rate", options.line.wireRate, "Pace the line at BAUD (11 bits per character)")
      ->check(CLI::Range(300L, 4'000'000L));
  app.add_flag("--trace", trace, "Hex-dump every frame in and out, with a timestamp, on stderr");
  app.add_option("--flash", flash, "Flash model: loaded at start when it exists, saved after each download");
  app.add_flag("!--no-announce", announce, "Do not offer the box in the port list");
  auto& f = options.faults;
  app.add_option("--refuse-header", f.refuseHeader, "NAK the first N download headers");
  app.add_option("--nak-block", f.nakBlock, "NAK the K-th data block of a download once");
  app.add_option("--bad-upload-sum", f.badUploadSumBlock, "Send the K-th upload block with a wrong sum once");
  app.add_option("--stray-before-reply", f.strayBeforeReply, "Send a stray byte before the K-th reply");
  app.add_option("--erase-fail", f.eraseFailPartition, "Report an erase failure for partition I (from 0)");
  app.add_option("--erase-fail-times", f.eraseFailTimes, "... this many times before it succeeds")
      ->default_val(1);
  app.add_option("--silent-after-block", f.silentAfterBlock, "Fall silent after the K-th data block");
  app.add_flag("--bad-upload-header", f.badUploadHeader, "Send the upload header with a wrong check value");
  app.add_option("--program-fail", f.programFailPartition,
                 "Report a program failure for partition I (from 0)");
  app.add_option("--hangup-after-block", f.hangupAfterBlock,
                 "Hang up the line (like a pulled adapter) at the K-th data block: instead of its ACK in a "
                 "download, instead of sending it in an upload");
  app.add_option("--hangup-while-erasing", f.hangupWhileErasing,
                 "Hang up the line instead of the erase result of partition I (from 0)");
  app.add_option("--refuse-upload-request", f.refuseUploadRequest, "NAK the first N upload requests");
  app.add_flag("--no-upload-header", f.noUploadHeader, "Never send the upload header");
  app.add_flag("--bad-upload-partition", f.badUploadPartition,
               "Send the first partition record of an upload with a wrong check value once");
  CLI11_PARSE(app, argc, argv);

  // SIGINT and SIGTERM arrive on a descriptor that the box's waits watch.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  options.line.stopFd = stopFd;
  if (trace) options.line.trace = &std::cerr;
  options.flashFile = flash;

  try {
    BoxSim box(options);
    const std::string device = link.empty() ? box.DevicePath() : link;
    if (!link.empty() && !MakeLink(link, box.DevicePath())) return 1;
    std::optional<tuneflash::BoxAnnouncement> announcement;
    if (announce) announcement.emplace(tuneflash::DefaultBoxRegistry(), device);
    std::cout << "tuneflash-boxsim: box on " << device;
    if (!link.empty()) std::cout << " (" << box.DevicePath() << ")";
    std::cout << "; Ctrl-C stops it" << std::endl;
    box.Run();
    if (!link.empty()) {
      std::error_code ec;
      if (std::filesystem::read_symlink(link, ec) == box.DevicePath()) std::filesystem::remove(link, ec);
    }
    if (const auto error = box.LastError(); !error.empty())
      std::cerr << "tuneflash-boxsim: " << error << "\n";
    const auto record = box.Record();
    if (!record.protocolErrors.empty())
      std::cerr << "tuneflash-boxsim: " << record.protocolErrors.size() << " protocol error(s) of the PC\n";
    std::cout << "tuneflash-boxsim: stopped after " << record.downloadsCompleted << " download(s) and "
              << record.uploadsCompleted << " upload(s)" << std::endl;
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-boxsim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

// The link's figures, measured over a pseudo-terminal against the simulated
// box: (a) the PC's turnaround per block and its CPU time during an unpaced
// ALL download, (b) payload throughput with the line paced at 115200 8E1 as
// a share of the lock-step limit, (c) CPU spent waiting for a hello that
// never comes, (d) how soon a wait notices a line that went away and what it
// costs until then. Prints figures; asserts nothing.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "boxsim/box_sim.h"
#include "dld/builder.h"
#include "dld/download_header.h"
#include "link/download.h"
#include "link/link_waits.h"
#include "link/posix_com_port.h"
#include "link/upgrade_status.h"
#include "support/temp_dir.h"

namespace {

using namespace tuneflash;
using Clock = std::chrono::steady_clock;

// The lock-step limit: 1020 payload bytes per 1025 characters of 11 bits.
constexpr double kLockStepLimit = 115200.0 / 11.0 * 1020.0 / 1025.0;

double ThreadCpuSeconds() {
  rusage r{};
  getrusage(RUSAGE_THREAD, &r);
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Times the transfer phase and counts its payload.
class TimingObserver : public RunObserver {
 public:
  void SetRunControlsEnabled(bool) override {}
  void Pump() override {
    if (closeAt && Clock::now() >= *closeAt && port != nullptr) port->CloseComPort();
  }
  void OnStatusLine(const StatusLine& status) override {
    if (status.text == *StatusText(kTransferring)) transferStart = Clock::now();
    if (status.text == *StatusText(kTransferSuccess)) transferEnd = Clock::now();
  }
  void OnJobProgress(const JobProgress& progress) override { payload = progress.lineBytes; }

  Clock::time_point transferStart, transferEnd;
  std::size_t payload = 0;
  std::optional<Clock::time_point> closeAt;
  ComPort* port = nullptr;
};

Bytes AllSetFile() {
  FILE_DOWNLOAD_HEADER_T identity;
  SetFieldText(identity.acManufacture, "BENCH");
  std::vector<Bytes> images;
  for (const auto& p : PartitionsOf(PartitionSet::All)) {
    // Firmware-like: compressible code with incompressible stretches.
    images.push_back(testing::PatternImage(p.size, p.address));
  }
  return BuildDownloadFile(identity, PartitionSet::All, images);
}

struct Run {
  bool ok = false;
  double seconds = 0;
  double cpu = 0;
  TimingObserver observer;
  boxsim::BoxRecord record;
};

Run DownloadAll(const std::filesystem::path& file, long wireRate) {
  boxsim::BoxSimOptions options;
  options.line.wireRate = wireRate;
  options.reannounce = std::chrono::milliseconds(50);
  options.idleHello = std::chrono::milliseconds(50);
  boxsim::BoxSim box(options);
  box.Start();
  PosixComPort port;
  Run run;
  if (const auto opened = port.OpenComPort(box.DevicePath()); !opened) {
    std::fprintf(stderr, "bench_link: %s\n", DescribeFailure(opened.error()).c_str());
    return run;
  }
  if (const auto hello = ConnectBox(port, run.observer); !hello) {
    std::fprintf(stderr, "bench_link: no hello: %s\n", DescribeFailure(hello.error()).c_str());
    return run;
  }
  const double cpu0 = ThreadCpuSeconds();
  const auto t0 = Clock::now();
  run.ok = DownloadFile(port, run.observer, file, ReadPartitionCount(file)).has_value();
  run.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  run.cpu = ThreadCpuSeconds() - cpu0;
  run.record = box.Record();
  port.CloseComPort();
  box.Stop();
  return run;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[i];
}

void Turnaround(const std::filesystem::path& file) {
  const Run run = DownloadAll(file, 0);
  std::printf("(a) unpaced ALL download: %s, %zu blocks, %.2f s\n", run.ok ? "ok" : "FAILED",
              run.record.blockNumbers.size(), run.seconds);
  std::printf(
      "    turnaround per reply (box's ACK written -> next frame's first byte): median %.3f ms, p99 %.3f ms "
      "(goals: < 1 ms, < 2 ms; %zu samples)\n",
      Percentile(run.record.turnaroundUs, 0.5) / 1000, Percentile(run.record.turnaroundUs, 0.99) / 1000,
      run.record.turnaroundUs.size());
  std::printf("    PC side CPU: %.3f s for the whole download (%.1f us per block)\n", run.cpu,
              run.cpu * 1e6 / static_cast<double>(std::max<std::size_t>(1, run.record.blockNumbers.size())));
}

void Paced(const std::filesystem::path& file) {
  const Run run = DownloadAll(file, 115200);
  const double transfer =
      std::chrono::duration<double>(run.observer.transferEnd - run.observer.transferStart).count();
  const double rate = static_cast<double>(run.observer.payload) / transfer;
  std::printf(
      "(b) ALL download at 115200 8E1 (paced): %s, %zu payload bytes in %.1f s of transfer, %.1f bytes/s\n",
      run.ok ? "ok" : "FAILED", run.observer.payload, transfer, rate);
  std::printf("    share of the lock-step limit of %.1f bytes/s: %.2f%% (goal: >= 99%%)\n", kLockStepLimit,
              100.0 * rate / kLockStepLimit);
  // The last block of each data record goes short but takes a full block's
  // time: the share the protocol itself allows for this file.
  const double blocks = static_cast<double>(run.record.blockNumbers.size());
  std::printf(
      "    (the file's short last blocks cap the share at %.2f%%; per block: %.3f ms against %.3f ms of line "
      "time)\n",
      100.0 * static_cast<double>(run.observer.payload) / (blocks * 1020.0), transfer * 1000 / blocks,
      1025.0 * 11.0 / 115.2);
}

// A pseudo-terminal whose other side nobody serves, and the port opened on
// it; the master side's descriptor, or -1.
int OpenSilentLine(PosixComPort& port) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master);
  unlockpt(master);
  if (const auto opened = port.OpenComPort(ptsname(master)); !opened) {
    std::fprintf(stderr, "bench_link: %s\n", DescribeFailure(opened.error()).c_str());
    close(master);
    return -1;
  }
  return master;
}

void Idle() {
  PosixComPort port;
  const int master = OpenSilentLine(port);
  if (master < 0) return;
  TimingObserver observer;
  observer.port = &port;
  observer.closeAt = Clock::now() + std::chrono::seconds(10);
  const double cpu0 = ThreadCpuSeconds();
  const auto t0 = Clock::now();
  ConnectBox(port, observer);
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  const double cpu = ThreadCpuSeconds() - cpu0;
  std::printf(
      "(c) waiting %.1f s for a hello that never comes: %.4f s CPU, %.3f%% of one core (goal: < 0.5%%)\n",
      seconds, cpu, 100.0 * cpu / seconds);
  close(master);
}

// The line goes away while the PC waits for a hello: how long until the
// wait notices, and what the wait costs until then.
void PulledAdapter() {
  PosixComPort port;
  const int master = OpenSilentLine(port);
  if (master < 0) return;
  std::thread puller([master] {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    close(master);
  });
  TimingObserver observer;
  const double cpu0 = ThreadCpuSeconds();
  const auto t0 = Clock::now();
  const auto hello = ConnectBox(port, observer);
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  const double cpu = ThreadCpuSeconds() - cpu0;
  puller.join();
  std::printf(
      "(d) line pulled after 2 s of waiting for a hello: noticed after %.3f s (%s), %.3f%% of one core "
      "(goal: < 5%%)\n",
      seconds, hello ? "NOT NOTICED" : DescribeFailure(hello.error()).c_str(), 100.0 * cpu / seconds);
}

}  // namespace

// Without arguments all four; otherwise the ones named ("a", "b", "c", "d").
int main(int argc, char** argv) {
  const auto wanted = [&](const char* which) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i) {
      if (std::strcmp(argv[i], which) == 0) return true;
    }
    return false;
  };
  testing::TempDir dir;
  const auto file = dir / "all.dld";
  const Bytes bytes = AllSetFile();
  testing::WriteBytes(file, bytes);
  std::printf("ALL set file: 34 partitions, %zu bytes\n", bytes.size());
  std::fflush(stdout);
  if (wanted("a")) Turnaround(file);
  std::fflush(stdout);
  if (wanted("b")) Paced(file);
  std::fflush(stdout);
  if (wanted("c")) Idle();
  std::fflush(stdout);
  if (wanted("d")) PulledAdapter();
  return 0;
}

// The production bench's figures, measured with the real programs: eight
// simulated boxes on paced lines (tuneflash-boxsim --boxes 8 --wire-rate
// 115200) and tuneflash-cli beside them. (a) one box alone, then eight at
// once: the eight together against eight times the one, (b) the CLI's CPU
// per port while eight flash, (c) verify of the set against an upload of
// it. The times come from the --log records. Prints figures; asserts nothing.
// Arguments: [--set NAME] (default all).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "dld/builder.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

using namespace tuneflash;
using Clock = std::chrono::steady_clock;
constexpr int kBoxes = 8;

std::filesystem::path ProgramDir() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

struct Finished {
  int status = -1;
  double seconds = 0;
  double cpu = 0;  // user + system of the child
};

Finished Run(const std::vector<std::string>& args, const std::filesystem::path& output) {
  Finished done;
  const auto t0 = Clock::now();
  const pid_t pid = Spawn(args, output);
  if (pid < 0) return done;
  rusage usage{};
  int status = 0;
  wait4(pid, &status, 0, &usage);
  done.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  done.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  done.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return done;
}

std::vector<nlohmann::json> Records(const std::filesystem::path& path) {
  std::vector<nlohmann::json> records;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) records.push_back(nlohmann::json::parse(line));
  return records;
}

// Seconds since the epoch of an ISO time "2026-12-08T18:30:05.042Z".
double EpochSeconds(const std::string& iso) {
  std::tm tm{};
  int millis = 0;
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
              &tm.tm_min, &tm.tm_sec, &millis);
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<double>(timegm(&tm)) + millis / 1000.0;
}

// From the first start to the last end of `records`.
double Span(const std::vector<nlohmann::json>& records) {
  double first = 1e300, last = 0;
  for (const auto& r : records) {
    first = std::min(first, EpochSeconds(r["start"]));
    last = std::max(last, EpochSeconds(r["end"]));
  }
  return last - first;
}

bool AllSucceeded(const std::vector<nlohmann::json>& records, std::size_t expected) {
  return records.size() == expected &&
         std::all_of(records.begin(), records.end(), [](const auto& r) { return r["result"] == "success"; });
}

}  // namespace

int main(int argc, char** argv) {
  std::string setName = "all";
  if (argc == 3 && std::strcmp(argv[1], "--set") == 0) setName = argv[2];
  const auto set = ParsePartitionSet(setName);
  if (!set) {
    std::fprintf(stderr, "bench_ports: unknown set '%s'\n", setName.c_str());
    return 2;
  }
  const auto bin = ProgramDir();
  const std::string cli = (bin / "tuneflash-cli").string();
  testing::TempDir dir;
  const auto file = dir / "set.dld";
  {
    FILE_DOWNLOAD_HEADER_T identity;
    SetFieldText(identity.acManufacture, "BENCH");
    std::vector<Bytes> images;
    for (const auto& p : PartitionsOf(*set)) images.push_back(testing::PatternImage(p.size, p.address));
    const Bytes bytes = BuildDownloadFile(identity, *set, images);
    testing::WriteBytes(file, bytes);
    std::printf("%s set file: %zu partitions, %zu bytes; %d simulated boxes at 115200 8E1\n",
                std::string(PartitionSetName(*set)).c_str(), images.size(), bytes.size(), kBoxes);
    std::fflush(stdout);
  }
  const auto link = (dir / "box").string();
  const pid_t sim = Spawn({(bin / "tuneflash-boxsim").string(), "--boxes", std::to_string(kBoxes), "--link",
                           link, "--wire-rate", "115200", "--no-announce"},
                          dir / "sim.log");
  for (int i = 0; i < 200 && !std::filesystem::exists(link + "." + std::to_string(kBoxes)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto size = static_cast<double>(std::filesystem::file_size(file));

  // (a) One box alone, then eight at once, in the same run.
  const auto single =
      Run({cli, "download", "--port", link, "--log", (dir / "one.jsonl").string(), file.string()},
          dir / "one.txt");
  const auto one = Records(dir / "one.jsonl");
  std::vector<std::string> eightArgs{cli, "download"};
  for (int k = 1; k <= kBoxes; ++k) {
    eightArgs.push_back("--port");
    eightArgs.push_back(k == 1 ? link : link + "." + std::to_string(k));
  }
  eightArgs.insert(eightArgs.end(), {"--log", (dir / "eight.jsonl").string(), file.string()});
  const auto eight = Run(eightArgs, dir / "eight.txt");
  const auto many = Records(dir / "eight.jsonl");
  if (single.status != 0 || eight.status != 0 || !AllSucceeded(one, 1) || !AllSucceeded(many, kBoxes)) {
    std::printf("(a) FAILED: exit %d / %d, %zu / %zu records (see %s)\n", single.status, eight.status,
                one.size(), many.size(), dir.path().c_str());
  } else {
    const double oneRate = size / one[0]["duration_s"].get<double>();
    const double manyRate = kBoxes * size / Span(many);
    double shortest = 1e300, longest = 0;
    for (const auto& r : many) {
      shortest = std::min(shortest, r["duration_s"].get<double>());
      longest = std::max(longest, r["duration_s"].get<double>());
    }
    std::printf(
        "(a) one box: %.1f s, %.0f file bytes/s; eight boxes at once: %.1f s (each %.1f..%.1f s), %.0f "
        "file bytes/s\n",
        one[0]["duration_s"].get<double>(), oneRate, Span(many), shortest, longest, manyRate);
    std::printf("    eight together move %.2f%% of eight times the one (goal: >= 97%%)\n",
                100.0 * manyRate / (kBoxes * oneRate));
    // (b) The CLI's CPU while the eight flashed.
    std::printf(
        "(b) tuneflash-cli CPU while eight flash: %.2f s in %.1f s, %.3f%% of one core per port "
        "(goal: < 3%%)\n",
        eight.cpu, eight.seconds, 100.0 * eight.cpu / eight.seconds / kBoxes);
  }
  std::fflush(stdout);

  // (c) Verify of the set against an upload of the same set, on one box.
  const auto up = Run({cli, "upload", "--port", link, "--set", setName, "--log", (dir / "up.jsonl").string(),
                       (dir / "back.dld").string()},
                      dir / "up.txt");
  const auto verify =
      Run({cli, "verify", "--port", link, "--log", (dir / "verify.jsonl").string(), file.string()},
          dir / "verify.txt");
  const auto upRecords = Records(dir / "up.jsonl");
  const auto verifyRecords = Records(dir / "verify.jsonl");
  if (up.status != 0 || verify.status != 0 || !AllSucceeded(upRecords, 1) ||
      !AllSucceeded(verifyRecords, 1)) {
    std::printf("(c) FAILED: exit %d / %d (see %s)\n", up.status, verify.status, dir.path().c_str());
  } else {
    const double upload = upRecords[0]["duration_s"].get<double>();
    const double check = verifyRecords[0]["duration_s"].get<double>();
    std::printf(
        "(c) upload of the set: %.2f s; verify of it: %.2f s; verify takes %+.2f%% (goal: within 2%%)\n",
        upload, check, 100.0 * (check - upload) / upload);
  }
  kill(sim, SIGINT);
  waitpid(sim, nullptr, 0);
  return 0;
}

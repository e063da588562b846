#include "runlog/run_log_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace tuneflash {
namespace {

std::vector<std::string> Lines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RunLogFile, AppendsToWhatIsThereAndMendsACutLastLine) {
  testing::TempDir dir;
  const auto path = dir / "runs.jsonl";
  {
    std::ofstream out(path);
    out << "{\"box\":1}\n{\"box\":2,\"cut";  // a record cut short by a crash
  }
  RunLogFailure failure;
  auto log = RunLogFile::Open(path, failure);
  ASSERT_TRUE(log) << failure.Describe();
  EXPECT_FALSE(log->Append("{\"box\":3}\n"));
  EXPECT_EQ(Lines(path), (std::vector<std::string>{"{\"box\":1}", "{\"box\":2,\"cut", "{\"box\":3}"}));
}

TEST(RunLogFile, RefusesWhatIsNotOneLineAndNamesAPathItCannotOpen) {
  testing::TempDir dir;
  RunLogFailure failure;
  auto log = RunLogFile::Open(dir / "runs.jsonl", failure);
  ASSERT_TRUE(log);
  EXPECT_TRUE(log->Append("{}"));
  EXPECT_TRUE(log->Append("{}\n{}\n"));
  EXPECT_TRUE(Lines(dir / "runs.jsonl").empty());

  EXPECT_FALSE(RunLogFile::Open(dir.path(), failure));  // a directory
  EXPECT_NE(failure.Describe().find(dir.path().string()), std::string::npos);
  EXPECT_FALSE(RunLogFile::Open(dir / "no" / "such" / "dir.jsonl", failure));
  EXPECT_NE(failure.reason.find("cannot open"), std::string::npos);
}

TEST(RunLogFile, ParallelAppendsNeverInterleave) {
  testing::TempDir dir;
  const auto path = dir / "runs.jsonl";
  RunLogFailure failure;
  // Two descriptors, as two programs logging to the same file would have.
  auto first = RunLogFile::Open(path, failure);
  auto second = RunLogFile::Open(path, failure);
  ASSERT_TRUE(first && second);
  constexpr int kThreads = 8;
  constexpr int kRecords = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const RunLogFile& log = t % 2 ? *first : *second;
      for (int i = 0; i < kRecords; ++i) {
        nlohmann::json record{{"port", t}, {"box", i}, {"padding", std::string(3000 + t * 100, 'x')}};
        ASSERT_FALSE(log.Append(record.dump() + "\n"));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const auto lines = Lines(path);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kRecords));
  std::set<std::pair<int, int>> seen;
  for (const auto& line : lines) {
    const auto record = nlohmann::json::parse(line);
    seen.emplace(record["port"].get<int>(), record["box"].get<int>());
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kRecords));
}

}  // namespace
}  // namespace tuneflash

namespace tuneflash {
namespace {

// A cut last line is mended by the next record's own write, not before it;
// every record carries the station and the command run's id.
TEST(RunLogFile, MendsACutLineWithTheNextRecordAndCarriesItsOrigin) {
  testing::TempDir dir;
  const auto path = dir / "runs.jsonl";
  {
    std::ofstream out(path);
    out << "{\"box\":1,\"cut";
  }
  RunLogFailure failure;
  auto log = RunLogFile::Open(path, failure, RunOrigin::OfThisRun("bench-7"));
  ASSERT_TRUE(log) << failure.Describe();
  EXPECT_EQ(std::filesystem::file_size(path), 13u);  // nothing written yet
  EXPECT_FALSE(log->Append("{\"box\":2}\n"));
  EXPECT_EQ(Lines(path), (std::vector<std::string>{"{\"box\":1,\"cut", "{\"box\":2}"}));
  EXPECT_EQ(log->origin().station, "bench-7");
  const auto& id = log->origin().runId;
  ASSERT_EQ(id.size(), 36u);
  EXPECT_EQ(id[14], '4');  // a version 4 id
  EXPECT_NE(id, RunOrigin::OfThisRun().runId);
  EXPECT_FALSE(RunOrigin::OfThisRun().station.empty());  // the host name
}

}  // namespace
}  // namespace tuneflash

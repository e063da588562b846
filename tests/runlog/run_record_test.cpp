#include "runlog/run_record.h"

#include <gtest/gtest.h>

#include "dld/builder.h"
#include "runlog/sha256.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;
using std::chrono::system_clock;

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex(ByteSpan{}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  const std::string abc = "abc";
  EXPECT_EQ(Sha256Hex(ByteSpan(reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size())),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(FormatUtc, IsoWithMillisecondsInUtc) {
  // 2026-12-08 18:30:05.042 UTC
  const system_clock::time_point when{milliseconds(1796754605042LL)};
  EXPECT_EQ(FormatUtc(when), "2026-12-08T18:30:05.042Z");
  EXPECT_EQ(FormatUtc(system_clock::time_point{}), "1970-01-01T00:00:00.000Z");
}

FILE_DOWNLOAD_HEADER_T Identity(std::string_view manufacture) {
  FILE_DOWNLOAD_HEADER_T identity;
  identity.ucIdent = 1;
  SetFieldText(identity.acManufacture, manufacture);
  SetFieldText(identity.acSoftwareVersion, "2.07");
  return identity;
}

RunRecord SampleRecord() {
  RunRecord record;
  record.start = system_clock::time_point{milliseconds(1796754605042LL)};
  record.end = record.start + milliseconds(107'250);
  record.port = "COM.03";
  record.device = "/dev/pts/7";
  record.command = "download";
  record.box = 3;
  const Bytes file = BuildDownloadFile(Identity("MAKER"), PartitionSet::Key,
                                       std::vector<Bytes>{testing::PatternImage(1000, 1)});
  record.file = FactsOfBytes("key.dld", file);
  record.outcome = RunOutcome::Success;
  record.counts = {40000, 52, 1, 1};
  return record;
}

TEST(RunRecord, ASuccessCarriesEveryFieldAndANullFailure) {
  const RunRecord record = SampleRecord();
  const json j = json::parse(RecordLine(record));
  EXPECT_EQ(j["start"], "2026-12-08T18:30:05.042Z");
  EXPECT_EQ(j["end"], "2026-12-08T18:31:52.292Z");
  EXPECT_DOUBLE_EQ(j["duration_s"].get<double>(), 107.25);
  EXPECT_EQ(j["port"], "COM.03");
  EXPECT_EQ(j["device"], "/dev/pts/7");
  EXPECT_EQ(j["command"], "download");
  EXPECT_EQ(j["box"], 3);
  EXPECT_EQ(j["file"]["name"], "key.dld");
  EXPECT_EQ(j["file"]["size"], *record.file.size);
  EXPECT_EQ(j["file"]["sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(j["file"]["identity"]["manufacture"], "MAKER");
  EXPECT_EQ(j["file"]["identity"]["software_version"], "2.07");
  EXPECT_EQ(j["file"]["identity"]["ident"], 1);
  EXPECT_EQ(j["file"]["identity"]["partitions"], 1);
  EXPECT_EQ(j["result"], "success");
  EXPECT_TRUE(j["failure"].is_null());
  EXPECT_EQ(j["bytes_sent"], 40000);
  EXPECT_EQ(j["bytes_received"], 52);
  EXPECT_EQ(j["naks"], 1);
  EXPECT_EQ(j["resends"], 1);
  EXPECT_FALSE(j.contains("partitions"));
  EXPECT_EQ(BoxSummaryLine(3, "Update Success!", std::chrono::milliseconds(107'200)),
            "Box 3: Update Success! in 1:47");
}

TEST(RunRecord, AFailureNamesPhasePartitionBlockAndCause) {
  RunRecord record = SampleRecord();
  record.outcome = RunOutcome::Failed;
  record.failure =
      RecordedFailure{"Transfer", 2,
                      117,        "the box refused the same frame 10 times",
                      0x15,       "Transfer, partition 2, block 117: refused 10 times (/dev/pts/7)"};
  const json j = json::parse(RecordLine(record));
  EXPECT_EQ(j["result"], "failed");
  EXPECT_EQ(j["failure"]["phase"], "Transfer");
  EXPECT_EQ(j["failure"]["partition"], 2);
  EXPECT_EQ(j["failure"]["block"], 117);
  EXPECT_EQ(j["failure"]["cause"], "the box refused the same frame 10 times");
  EXPECT_EQ(j["failure"]["reply"], 0x15);

  // A failure before any partition has no partition and no block.
  record.failure = RecordedFailure{"Verify", 0, 0, "no reply", std::nullopt, "Verify: no reply"};
  const json early = json::parse(RecordLine(record));
  EXPECT_TRUE(early["failure"]["partition"].is_null());
  EXPECT_TRUE(early["failure"]["block"].is_null());
  EXPECT_FALSE(early["failure"].contains("reply"));
}

TEST(RunRecord, VerifyListsEachPartition) {
  RunRecord record = SampleRecord();
  record.command = "verify";
  record.partitions = {{1, 0x40180000, PartitionVerdict::Same, std::nullopt},
                       {2, 0x40190000, PartitionVerdict::Differs, 0x40190123},
                       {3, 0x401A0000, PartitionVerdict::Missing, std::nullopt}};
  const json j = json::parse(RecordLine(record));
  ASSERT_EQ(j["partitions"].size(), 3u);
  EXPECT_EQ(j["partitions"][0], (json{{"index", 1}, {"address", "0x40180000"}, {"result", "same"}}));
  EXPECT_EQ(j["partitions"][1]["first_difference"], "0x40190123");
  EXPECT_EQ(j["partitions"][2]["result"], "not read");
}

TEST(RunRecord, IdentityBytesThatAreNotUtf8StillGiveOneValidLine) {
  RunRecord record = SampleRecord();
  record.file.identity = Identity("BAD\xFF\xFE\n");
  const std::string line = RecordLine(record);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  const json j = json::parse(line);
  EXPECT_EQ(j["file"]["identity"]["manufacture"], "BAD\xEF\xBF\xBD\xEF\xBF\xBD\n");
}

TEST(FileFacts, AFileThatCannotBeReadKeepsItsNameAndSaysWhy) {
  testing::TempDir dir;
  const FileFacts missing = FactsOfFile(dir / "nothing.dld");
  EXPECT_EQ(missing.name, (dir / "nothing.dld").string());
  EXPECT_FALSE(missing.size);
  EXPECT_FALSE(missing.identity);
  EXPECT_NE(missing.problem.find("nothing.dld"), std::string::npos);
  const json j = json::parse(RecordLine([&] {
    RunRecord r = SampleRecord();
    r.file = missing;
    return r;
  }()));
  EXPECT_FALSE(j["file"].contains("sha256"));
  EXPECT_TRUE(j["file"].contains("problem"));

  // Shorter than a header: size and hash, no identity.
  const Bytes shortFile{0x11, 0x44, 0x00};
  testing::WriteBytes(dir / "short.dld", shortFile);
  const FileFacts facts = FactsOfFile(dir / "short.dld");
  EXPECT_EQ(facts.size, 3u);
  EXPECT_EQ(facts.sha256, Sha256Hex(shortFile));
  EXPECT_FALSE(facts.identity);
}

}  // namespace
}  // namespace tuneflash

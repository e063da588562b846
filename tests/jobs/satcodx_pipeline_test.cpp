// The whole SatcoDX download against the simulated box over a real pty.
#include <gtest/gtest.h>

#include "boxdb/database_image.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "dld/file_io.h"
#include "jobs/satcodx_download.h"
#include "link/link_fixture.h"
#include "link/link_waits.h"
#include "satcodx/sample_database.h"

namespace tuneflash {
namespace {

class SatcoDxPipelineTest : public ::testing::Test {
 protected:
  boxsim::BoxSimOptions BoxWithSampleData(const boxsim::BoxFaults& faults = {}) {
    const auto sample = SampleDatabase(DefaultSampleSatellites());
    testing::WriteBytes(dir / "flash.bin", SampleFlashImage(SampleDataFile(*sample, 1, SampleIdentity())));
    auto options = testing::FastBoxOptions(faults);
    options.flashFile = dir / "flash.bin";
    return options;
  }

  void SetUp() override { conversion.workDirectory = dir.path(); }

  bool Run(testing::BoxOnLine& box, const std::vector<std::filesystem::path>& lists) {
    if (!box.Connect(observer)) return false;
    SatcoDxSession session{*db, conversion, observer, {}, {}};
    SatcoDxDownloadOptions options;
    options.timing = testing::FastTiming();
    options.pause = [this](std::chrono::milliseconds d) { pauses.push_back(d.count()); };
    return DownloadSatcoDx(box.port, header, work, lists, session, options).has_value();
  }

  testing::TempDir dir;
  std::filesystem::path work = dir / kSatcoDxWorkFileName;
  std::unique_ptr<BoxDatabase> db = SampleDatabase({});
  ConversionState conversion;
  DownloadHeaderState header;
  testing::RecordingObserver observer;
  std::vector<long> pauses;
};

TEST_F(SatcoDxPipelineTest, TheBoxFlashHoldsTheMergedDatabase) {
  testing::BoxOnLine box(BoxWithSampleData());
  const auto list = std::filesystem::path(TUNEFLASH_SATCODX_TESTDATA) / "turksat420e_v103_sirfi_sample.sdx";
  ASSERT_TRUE(Run(box, {list}));

  const auto statuses = observer.Only("status");
  const std::vector<std::string> expected{"SatcoDX Update Success!", "Inputting SatcoDX file, please wait...",
                                          "File saving, please wait...", "SatcoDX Download start!",
                                          "Verify..."};
  const auto at = std::find(statuses.begin(), statuses.end(), expected.front());
  ASSERT_NE(at, statuses.end());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), at));
  EXPECT_EQ(statuses.back(), "Program flash Success!");
  EXPECT_EQ(pauses, (std::vector<long>{1000}));

  // The box's Data set is now the work file's: the merged database, in the slot it came from.
  const Bytes image = box.box.Flash().Read(kDataImageBase, kDataImageSize);
  EXPECT_EQ(image, DldToImage(ReadWholeFile(work), kDataPartitionCount).image);
  ASSERT_TRUE(CheckBlockTable(image));
  EXPECT_EQ(DetectDatabaseSlot(image), 1);
  auto onBox = SampleDatabase({});
  DecodeDatabaseImage(*onBox, UnpackDatabase(image, 1));
  const Slot turksat = FindSatelliteByPos(*onBox, 420);
  ASSERT_EQ(turksat, 3);
  EXPECT_GT(GetSatTpCount(*onBox, turksat), 20);
  EXPECT_EQ(GetSatTpCount(*onBox, 0), 3);  // 19.2 untouched
}

TEST_F(SatcoDxPipelineTest, FailedUploadEndsBeforeAnythingIsMerged) {
  boxsim::BoxFaults faults;
  faults.badUploadHeader = true;
  testing::BoxOnLine box(BoxWithSampleData(faults));
  const auto list = std::filesystem::path(TUNEFLASH_SATCODX_TESTDATA) / "turksat420e_v103_sirfi_sample.sdx";
  EXPECT_FALSE(Run(box, {list}));
  EXPECT_EQ(observer.Only("status").back(), "SatcoDX Update failed!");
  EXPECT_EQ(pauses, (std::vector<long>{2000}));
  EXPECT_FALSE(std::filesystem::exists(work));
  EXPECT_EQ(box.box.Record().downloadsCompleted, 0);
}

}  // namespace
}  // namespace tuneflash

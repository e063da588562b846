// Writes the generated seeds of the fuzz targets into SEED_ROOT/<target>/:
// sample Data files, the sample database image and system sector, copies of
// the real SatcoDX lists, and scripted box sessions (downloads and uploads
// that succeed, and a few that go wrong late). Usage: fuzz_seeds SEED_ROOT SATCODX_DIR
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>

#include "boxdb/database_image.h"
#include "dld/crc32.h"
#include "dld/file_io.h"
#include "dld/lzo_codec.h"
#include "link/link_frames.h"
#include "link/upgrade_status.h"
#include "link_script.h"
#include "satcodx/sample_database.h"

namespace {

using namespace tuneflash;
namespace fs = std::filesystem;

// Erased flash at the end adds nothing a target reads differently.
Bytes TrimErased(Bytes bytes) {
  const auto last = std::find_if(bytes.rbegin(), bytes.rend(), [](std::uint8_t b) { return b != 0xFF; });
  bytes.erase(last.base(), bytes.end());
  return bytes;
}

void Write(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  fs::create_directories(dir);
  WriteFileAtomically(dir / name, bytes);
}

// The box's side of link sessions, as input of the link target.
class BoxScript {
 public:
  explicit BoxScript(std::uint8_t choice) : input_{choice} {}

  BoxScript& Arrive(ByteSpan bytes) {
    fuzzing::AppendStep(input_, bytes);
    return *this;
  }
  BoxScript& Reply(std::uint8_t byte) {
    const std::uint8_t reply[] = {byte};
    return Arrive(reply);
  }
  BoxScript& Status(int status) { return Arrive(*MakeStatusFrame(status)); }
  BoxScript& Hello() { return Status(kConnecting); }
  BoxScript& Silence() { return Arrive({}); }
  BoxScript& Event(std::uint8_t step) {
    input_.push_back(step);
    return *this;
  }

  // A download of `file` from the header's ACK on: the verdict, an ACK per
  // record and block, then the erase and program results.
  BoxScript& Download(const Bytes& file, int results, int resultStatus = kProgramSuccess) {
    Reply(kAck).Status(kVerifySuccess);
    std::size_t offset = kFirstPartitionRecordOffset;
    for (int i = 0; i < file[kHeaderPartitionCountOffset]; ++i) {
      Reply(kAck);
      offset += kPartitionRecordSize;
      const std::size_t total = GetLe24(file, offset + 1) + 4u;
      for (std::size_t n = 0; n < DownloadBlockLengths(total).size(); ++n) Reply(kAck);
      offset += total;
    }
    for (int i = 0; i < results; ++i) Status(kEraseSuccess);
    for (int i = 0; i < results; ++i) Status(resultStatus);
    return *this;
  }

  // An upload of `set` from erased flash after the hello: the header, the
  // ACK of the request, then per area its record and its blocks.
  BoxScript& Upload(const Bytes& header, PartitionSet set) {
    Arrive(header).Reply(kAck);
    std::uint32_t number = 1;
    for (const PartitionInfo& area : PartitionsOf(set)) {
      Bytes records;
      Arrive(AppendPartition(records, area, Bytes(area.size, 0xFF)).ToBytes());
      const ByteSpan data = ByteSpan(records).subspan(kPartitionRecordSize);
      for (std::size_t at = 0; at < data.size(); at += kDataBlockPayload) {
        const std::size_t n = std::min(kDataBlockPayload, data.size() - at);
        Arrive(MakeDataBlock(number++, data.subspan(at, n)));
      }
    }
    return *this;
  }

  const Bytes& input() const { return input_; }

 private:
  Bytes input_;
};

void WriteLinkSeeds(const fs::path& dir) {
  using fuzzing::LinkRunChoice;
  const Bytes one = fuzzing::LinkFuzzDownloadFile(0);
  const Bytes two = fuzzing::LinkFuzzDownloadFile(1);
  const Bytes header(one.begin(), one.begin() + kHeaderRecordSize);
  const auto download = [](int file, bool nextBox = false) {
    return BoxScript(LinkRunChoice::Download(file, 0, nextBox, 2));
  };
  Write(dir, "download_one.bin", download(0).Hello().Download(one, 1).input());
  Write(dir, "download_two.bin", download(1).Hello().Download(two, 2).input());
  Write(dir, "download_two_boxes.bin",
        download(1, true).Hello().Download(two, 2).Hello().Download(two, 2).input());
  // Refusals, noise and a hello in two pieces on the way to a success.
  const std::uint8_t halfHello[] = {kFrameStart, 0x01};
  const std::uint8_t rest[] = {0x00, kFrameEnd};
  Write(
      dir, "download_refused.bin",
      download(0).Arrive(halfHello).Arrive(rest).Reply(kNak).Silence().Reply(0x41).Download(one, 1).input());
  Write(dir, "download_verify_failed.bin", download(0).Hello().Reply(kAck).Status(kVerifyFailed).input());
  Write(dir, "download_program_failed.bin", download(1).Hello().Download(two, 2, kProgramFailed).input());
  Write(
      dir, "download_closed.bin",
      download(1).Hello().Reply(kAck).Status(kVerifySuccess).Reply(kAck).Event(fuzzing::kCloseStep).input());
  for (const PartitionSet set : {PartitionSet::Key, PartitionSet::Default, PartitionSet::Data}) {
    const std::string name = "upload_" + std::string(PartitionSetName(set)) + ".bin";
    Write(dir, name, BoxScript(LinkRunChoice::Upload(set, 2)).Hello().Upload(header, set).input());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fuzz_seeds SEED_ROOT SATCODX_DIR\n";
    return 2;
  }
  const fs::path root = argv[1];
  const auto full = SampleDatabase(DefaultSampleSatellites());
  const auto small = SampleDatabase({DefaultSampleSatellites().front()});
  for (int slot : {1, 2}) {
    const Bytes file = SampleDataFile(slot == 1 ? *full : *small, slot, SampleIdentity());
    const std::string name = "sample_slot" + std::to_string(slot) + ".dld";
    Write(root / "download_verify", name, file);
    Write(root / "data_file_conversion", name, file);
  }
  Write(root / "database_codec", "sample_image.bin", TrimErased(EncodeDatabaseImage(*full)));
  WriteLinkSeeds(root / "link_receive");
  Write(root / "database_codec", "sample_sector.bin", TrimErased(SampleSystemSector(7)));
  for (const auto& list : fs::directory_iterator(argv[2])) {
    if (list.path().extension() != ".sdx") continue;
    fs::create_directories(root / "satcodx_merge");
    fs::copy_file(list.path(), root / "satcodx_merge" / list.path().filename(),
                  fs::copy_options::overwrite_existing);
  }
  return 0;
}

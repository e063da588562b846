// The input of the link's fuzz target, shared by the target and the seed
// program: the first byte chooses the run (download or upload, which file or
// partition set, a few options); the rest is the box's side as steps, each
// the bytes that arrive at one wait of the PC. Also the small download files
// the target sends, built the same way by both.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "dld/builder.h"
#include "dld/partition_sets.h"

namespace tuneflash::fuzzing {

// What the first input byte chooses. Bit 0: upload. A download: bit 1 the
// file, bits 2-3 the partition count passed (the file's, one more, one
// fewer, 34), bit 4 go on with the next box after a success, bit 5 leave out
// "Connect Success!". An upload: bits 1-3 the set (modulo 6). Bits 6-7: the
// poll limit of the limited waits, 1 to 4.
struct LinkRunChoice {
  bool upload = false;
  int file = 0;
  int countChoice = 0;
  bool nextBox = false;
  bool hideConnectSuccess = false;
  int set = 0;
  int polls = 1;

  static LinkRunChoice Decode(std::uint8_t byte) {
    LinkRunChoice c;
    c.upload = (byte & 0x01) != 0;
    c.file = (byte >> 1) & 0x01;
    c.countChoice = (byte >> 2) & 0x03;
    c.nextBox = (byte & 0x10) != 0;
    c.hideConnectSuccess = (byte & 0x20) != 0;
    c.set = ((byte >> 1) & 0x07) % 6;
    c.polls = 1 + ((byte >> 6) & 0x03);
    return c;
  }

  static std::uint8_t Download(int file, int countChoice, bool nextBox, int polls) {
    return static_cast<std::uint8_t>((file << 1) | (countChoice << 2) | (nextBox ? 0x10 : 0) |
                                     ((polls - 1) << 6));
  }
  static std::uint8_t Upload(PartitionSet set, int polls) {
    return static_cast<std::uint8_t>(0x01 | (static_cast<int>(set) << 1) | ((polls - 1) << 6));
  }

  PartitionSet Set() const { return static_cast<PartitionSet>(set); }
};

// Step encoding: a length byte up to kLongStep - 1 and that many bytes;
// kLongStep, a 16-bit length and its bytes; kCloseStep (the user closes the
// port at that wait); kGoAwayStep (the device goes away). A length past the
// end of the input takes what is left.
inline constexpr std::uint8_t kLongStep = 0xFD;
inline constexpr std::uint8_t kCloseStep = 0xFE;
inline constexpr std::uint8_t kGoAwayStep = 0xFF;

inline void AppendStep(Bytes& input, ByteSpan bytes) {
  if (bytes.size() < kLongStep) {
    input.push_back(static_cast<std::uint8_t>(bytes.size()));
  } else {
    input.push_back(kLongStep);
    input.push_back(static_cast<std::uint8_t>(bytes.size() & 0xFF));
    input.push_back(static_cast<std::uint8_t>(bytes.size() >> 8));
  }
  input.insert(input.end(), bytes.begin(), bytes.end());
}

// The download files the target sends: 0 is one partition whose data record
// takes two blocks, 1 is two partitions of one block each.
inline Bytes LinkFuzzDownloadFile(int index) {
  FILE_DOWNLOAD_HEADER_T identity;
  SetFieldText(identity.acManufacture, "FUZZMAKER");
  SetFieldText(identity.acHardwareModule, "HW1");
  SetFieldText(identity.acSoftwareModule, "SW1");
  if (index == 0) {
    Bytes noise(1500);
    std::uint32_t state = 7;
    for (auto& b : noise) {
      state = state * 1103515245u + 12345u;
      b = static_cast<std::uint8_t>(state >> 23);
    }
    const std::array<Bytes, 1> images{noise};
    return BuildDownloadFile(identity, PartitionSet::Key, images);
  }
  const std::array<Bytes, 2> images{Bytes(100, 0x5A), Bytes(300, 0xA5)};
  return BuildDownloadFile(identity, PartitionSet::Default, images);
}

// The partition count a download passes for `choice` of a file of `fileCount`.
inline int LinkFuzzPartitionCount(int choice, int fileCount) {
  constexpr std::array<int, 4> kDelta{0, 1, -1, 0};
  return choice == 3 ? 34 : fileCount + kDelta[static_cast<std::size_t>(choice)];
}

}  // namespace tuneflash::fuzzing

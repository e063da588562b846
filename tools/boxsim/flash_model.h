// The box's flash as the simulator models it: 2 MiB from 0x40000000, 0xFF
// where nothing was ever programmed, loadable from and savable to a file that
// holds the raw image.
#pragma once

#include <cstdint>
#include <filesystem>

#include "dld/bytes.h"

namespace tuneflash::boxsim {

class FlashModel {
 public:
  static constexpr std::uint32_t kBase = 0x40000000;
  static constexpr std::uint32_t kSize = 0x200000;

  FlashModel() : bytes_(kSize, 0xFF) {}

  // `size` bytes from `address`; 0xFF wherever the range lies outside the flash.
  Bytes Read(std::uint32_t address, std::uint32_t size) const;
  // Programs `data` at `address`; false (nothing written) when it does not fit.
  bool Write(std::uint32_t address, ByteSpan data);

  // Loads a raw image of at most 2 MiB (the rest reads 0xFF). Throws FileError.
  void Load(const std::filesystem::path& path);
  // Saves the whole 2 MiB image (atomically). Throws FileError.
  void Save(const std::filesystem::path& path) const;

  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

}  // namespace tuneflash::boxsim

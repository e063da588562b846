// The partition sets of the box's flash (addressed from 0x40000000) and the
// type code a download header carries for each set.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tuneflash {

enum class PartitionSet { Data, Default, Key, Loader, App, All };

struct PartitionInfo {
  std::uint32_t address;
  std::uint32_t size;
  std::uint8_t attribute;
};

inline constexpr std::uint32_t kFlashBase = 0x40000000;
inline constexpr std::uint8_t kTypeCodeOther = 7;

// The partitions of `set`, in file order.
std::span<const PartitionInfo> PartitionsOf(PartitionSet set);

// Type code derived from the partition count alone: 8->0, 2->1, 1->3, 4->4,
// 27->5, 34->6, every other count 7.
std::uint8_t TypeCodeForCount(int count);

// "data", "default", "key", "loader", "app", "all" (case-insensitive).
std::optional<PartitionSet> ParsePartitionSet(std::string_view name);
std::string_view PartitionSetName(PartitionSet set);

// The set whose partition count is `count`, if any.
std::optional<PartitionSet> PartitionSetForCount(int count);

}  // namespace tuneflash

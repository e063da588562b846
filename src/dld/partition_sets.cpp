// Partition set tables.
#include "dld/partition_sets.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace tuneflash {
namespace {

constexpr std::uint32_t k64K = 0x10000;
constexpr std::uint8_t kAppAttributeBlocks = 23;  // the first 23 application blocks carry attribute 1

constexpr std::array<PartitionInfo, 8> kData{{{0x401B0000, k64K, 0},
                                              {0x401C0000, k64K, 0},
                                              {0x401D0000, k64K, 0},
                                              {0x401E0000, k64K, 0},
                                              {0x401F0000, 0x8000, 0},
                                              {0x401F8000, 0x2000, 0},
                                              {0x401FA000, 0x2000, 0},
                                              {0x401FC000, 0x4000, 0}}};
constexpr std::array<PartitionInfo, 2> kDefault{{{0x40190000, k64K, 0}, {0x401A0000, k64K, 0}}};
constexpr std::array<PartitionInfo, 1> kKey{{{0x40180000, k64K, 0}}};
constexpr std::array<PartitionInfo, 4> kLoader{
    {{0x40000000, 0x4000, 0}, {0x40004000, 0x2000, 0}, {0x40006000, 0x2000, 0}, {0x40008000, 0x8000, 0}}};

template <std::size_t N>
constexpr std::array<PartitionInfo, N> MakeAppBlocks() {
  std::array<PartitionInfo, N> blocks{};
  for (std::size_t i = 0; i < N; ++i) {
    blocks[i] = {static_cast<std::uint32_t>(0x40010000 + i * k64K), k64K,
                 static_cast<std::uint8_t>(i < kAppAttributeBlocks ? 1 : 0)};
  }
  return blocks;
}

constexpr std::array<PartitionInfo, 27> kApp = MakeAppBlocks<27>();

constexpr std::array<PartitionInfo, 34> MakeAll() {
  std::array<PartitionInfo, 34> all{};
  const auto blocks = MakeAppBlocks<30>();
  for (std::size_t i = 0; i < 30; ++i) all[i] = blocks[i];
  for (std::size_t i = 0; i < 4; ++i) all[30 + i] = kData[4 + i];
  return all;
}

constexpr std::array<PartitionInfo, 34> kAll = MakeAll();

struct SetEntry {
  PartitionSet set;
  std::string_view name;
  std::span<const PartitionInfo> partitions;
};

constexpr std::array<SetEntry, 6> kSets{{{PartitionSet::Data, "data", kData},
                                         {PartitionSet::Default, "default", kDefault},
                                         {PartitionSet::Key, "key", kKey},
                                         {PartitionSet::Loader, "loader", kLoader},
                                         {PartitionSet::App, "app", kApp},
                                         {PartitionSet::All, "all", kAll}}};

const SetEntry& EntryOf(PartitionSet set) {
  return kSets[static_cast<std::size_t>(set)];
}

}  // namespace

std::span<const PartitionInfo> PartitionsOf(PartitionSet set) {
  return EntryOf(set).partitions;
}

std::uint8_t TypeCodeForCount(int count) {
  switch (count) {
    case 8:
      return 0;
    case 2:
      return 1;
    case 1:
      return 3;
    case 4:
      return 4;
    case 27:
      return 5;
    case 34:
      return 6;
    default:
      return kTypeCodeOther;
  }
}

std::optional<PartitionSet> ParsePartitionSet(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& entry : kSets) {
    if (entry.name == lower) return entry.set;
  }
  return std::nullopt;
}

std::string_view PartitionSetName(PartitionSet set) {
  return EntryOf(set).name;
}

std::optional<PartitionSet> PartitionSetForCount(int count) {
  for (const auto& entry : kSets) {
    if (static_cast<int>(entry.partitions.size()) == count) return entry.set;
  }
  return std::nullopt;
}

}  // namespace tuneflash

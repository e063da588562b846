// The status vocabulary shared by the window and the protocol: one index per
// status, its text, and the code/sub-code of its status frame on the wire.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tuneflash {

enum UpgradeStatus : int {
  kConnecting = 0,
  kConnectFailed = 1,
  kConnectSuccess = 2,
  kStatus3 = 3,
  kVerifying = 4,
  kVerifyFailed = 5,
  kVerifySuccess = 6,
  kTransferring = 7,
  kTransferFailed = 8,
  kTransferSuccess = 9,
  kErasing = 10,
  kEraseFailed = 11,
  kEraseSuccess = 12,
  kProgramming = 13,
  kProgramFailed = 14,
  kProgramSuccess = 15,
  kSatcoDxUpdateStart = 16,
  kSatcoDxUpdateFailed = 17,
  kSatcoDxInputting = 18,
  kSatcoDxUpdateSuccess = 19,
  kSatcoDxDownloadStart = 20,
  kSatcoDxDownloadFailed = 21,
  kSatcoDxDownloadSuccess = 22,
  kUpdateFailed = 23,
  kUpdateSuccess = 24,
  kUploadRequest = 25,
  kDownloadRequest = 26,
};

inline constexpr int kUpgradeStatusCount = 27;

struct WireCode {
  std::uint8_t code;
  std::uint8_t subCode;
  bool operator==(const WireCode&) const = default;
};

// The text of `status`; nothing for an index without text (3, 25, 26, > 26).
std::optional<std::string_view> StatusText(int status);

// The code/sub-code of the status frame for `status`, if it has one.
std::optional<WireCode> StatusWireCode(int status);

inline constexpr std::string_view kTransferPercentPrefix = "Transfering Data:  ";
inline constexpr std::string_view kErasePercentPrefix = "Erase flash...  ";
inline constexpr std::string_view kProgramPercentPrefix = "Program flash...  ";

// prefix + (done * 100 / total) + "%", integer division; total 0 gives 100%.
std::string PercentText(std::string_view prefix, int done, int total);

}  // namespace tuneflash

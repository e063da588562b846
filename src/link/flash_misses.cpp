// The reason of a failed erase or program wait.
#include "link/flash_misses.h"

#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

std::string FrameName(int status) {
  if (status == kConnecting) return "a hello";
  if (status < 0) return "a status frame without meaning";
  return "status " + std::to_string(status);
}

}  // namespace

void FlashMisses::Note(bool failureReport, int status, int awaited) {
  ++inRow;
  if (failureReport) {
    ++reportsInRow;
    ++reports;
    lastReportFor = awaited;
  } else {
    lastUnexpected = status;
    anyUnexpected = true;
  }
}

std::string FlashMisses::Describe(bool erase) const {
  const std::string what = erase ? "erase" : "program";
  std::string text;
  if (reports > 0) {
    text = "the box reported " + std::string(erase ? "an " : "a ") + what + " failure for partition " +
           std::to_string(lastReportFor) + " (" + std::to_string(reports) + " report" +
           (reports == 1 ? "" : "s") + ")";
  }
  const int others = inRow - reportsInRow;
  if (others > 0) {
    if (!text.empty()) text += "; ";
    text += std::to_string(others) + " frame" + (others == 1 ? "" : "s") + " in a row that " +
            (others == 1 ? "is" : "are") + " no " + what + " result, the last " + FrameName(lastUnexpected);
  }
  return text;
}

LinkFailure FlashMisses::Failure(bool erase, int awaited) const {
  LinkFailure f;
  if (reports > 0) {
    f.cause = erase ? FailureCause::EraseFailed : FailureCause::ProgramFailed;
    f.partition = lastReportFor;
  } else {
    f.cause = FailureCause::Unexpected;
    f.partition = awaited;
  }
  f.detail = Describe(erase);
  return f;
}

}  // namespace tuneflash

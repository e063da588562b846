// A port wrapper that counts what crosses the line for the run record:
// bytes each way, refusals (0x15) either way and frames the PC sends again.
#pragma once

#include "dld/bytes.h"
#include "link/com_port.h"
#include "runlog/run_record.h"

namespace tuneflash {

class CountingComPort final : public ComPort {
 public:
  // `inner` must outlive the wrapper.
  explicit CountingComPort(ComPort& inner) : inner_(inner) {}

  LinkStatus OpenComPort(const std::string& device) override;
  void CloseComPort() override;
  LinkStatus PurgeComPort() override { return inner_.PurgeComPort(); }
  // A frame of more than one byte that repeats the frame written before it
  // is a resend; a reply byte 0x15 is a refusal.
  LinkStatus WriteComPort(ByteSpan frame) override;
  // A single byte 0x15 read is the box's refusal.
  LinkResult<bool> ReadComPort(MutableByteSpan dest) override;
  bool PortOpen() const override { return inner_.PortOpen(); }
  LinkStatus WaitForInput(std::size_t expected, std::chrono::microseconds limit) override {
    return inner_.WaitForInput(expected, limit);
  }
  const std::string& DeviceName() const override { return inner_.DeviceName(); }

  // Everything since the wrapper was made; a box's share is the difference
  // of two readings.
  const LineCounts& counts() const { return counts_; }

 private:
  ComPort& inner_;
  LineCounts counts_;
  Bytes lastFrame_;
};

// What crossed the line between `before` and `after`.
LineCounts CountsBetween(const LineCounts& before, const LineCounts& after);

}  // namespace tuneflash

// tuneflash-boxsim as a library: a simulated box on a pseudo-terminal that
// plays the box's side of the link (hello, download, upload) against its
// flash model, with faults on request. Tests run it on a thread in-process;
// the program runs it in its main thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "boxsim/box_line.h"
#include "boxsim/flash_model.h"
#include "dld/records.h"
#include "link/link_frames.h"

namespace tuneflash::boxsim {

// Faults on request. Counts of blocks and replies are 1-based within one
// session, partitions 0-based here (the program's options count them from 1);
// 0 (or -1 for partitions) leaves the fault out.
struct BoxFaults {
  int refuseHeader = 0;           // NAK the first n download headers
  int nakBlock = 0;               // NAK the k-th data block of a download, once
  int badUploadSumBlock = 0;      // send the k-th data block of an upload with a wrong sum, once
  int strayBeforeReply = 0;       // one stray byte (0x41) before the k-th reply byte of a download
  int eraseFailPartition = -1;    // report an erase failure for partition i (0-based) ...
  int eraseFailTimes = 1;         // ... this many times before its erase succeeds
  int silentAfterBlock = 0;       // fall silent after the k-th data block (taken or sent)
  bool badUploadHeader = false;   // upload header with a wrong check value
  int programFailPartition = -1;  // report a program failure for partition i (0-based)
  int hangupAfterBlock = 0;       // hang up at the k-th data block: instead of its ACK / of sending it
  int hangupWhileErasing = -1;    // hang up the line instead of the erase result of partition i (0-based)
  int refuseUploadRequest = 0;    // NAK the first n upload requests
  bool noUploadHeader = false;    // never send the upload header
  bool badUploadPartition =
      false;  // send the first partition record of an upload with a wrong check value, once
  int badDataRecordPartition = -1;  // upload: partition i's (0-based) data record with a wrong check value
  int badDataTagPartition = -1;     // upload: partition i's (0-based) data record with a wrong tag
};

struct BoxSimOptions {
  BoxFaults faults;
  LineOptions line;
  // While no PC has read the hello it is withdrawn and said again this often;
  // a hello that was taken but not followed by a request is said again after
  // idleHello.
  std::chrono::milliseconds reannounce{300};
  std::chrono::milliseconds idleHello{500};
  // A session ends when the PC stays silent (or does not read) this long.
  std::chrono::milliseconds sessionTimeout{6000};
  // Loaded at start when it exists, saved after every programmed download.
  std::filesystem::path flashFile;
};

// What the box saw, for tests and the bench.
struct BoxRecord {
  int hellos = 0;
  int headersReceived = 0;
  int headersRefused = 0;
  std::vector<std::uint8_t> blockNumbers;  // every data block taken in a download, in order
  std::vector<std::size_t> blockLengths;   // the data bytes each of them carried
  int naksSent = 0;
  int naksReceived = 0;
  int downloadsCompleted = 0;
  int uploadsCompleted = 0;
  std::vector<UploadArea> lastUploadRequest;
  std::vector<double> turnaroundUs;  // reply sent -> next frame's first byte, per download reply
  // Every frame taken from the PC, in order: "status 0A00", "header", "partition",
  // "block N" (its number), "ack", "nak", "request".
  std::vector<std::string> received;
  // Frames out of order (a header without the download request, an upload
  // request without the header's ACK and verdict): refused, never answered.
  std::vector<std::string> protocolErrors;
};

class BoxSim {
 public:
  explicit BoxSim(BoxSimOptions options);
  ~BoxSim();
  BoxSim(const BoxSim&) = delete;
  BoxSim& operator=(const BoxSim&) = delete;

  // The device the PC opens (the pseudo-terminal's slave side).
  const std::string& DevicePath() const { return line_.DevicePath(); }

  // Plays the box until RequestStop (or the options' stop descriptor).
  void Run();
  // Runs the box on its own thread / stops and joins it.
  void Start();
  void Stop();
  void RequestStop() { line_.RequestStop(); }

  BoxRecord Record() const;
  FlashModel Flash() const;
  // The identity header the box sends on upload (the last one it accepted).
  std::array<std::uint8_t, kHeaderRecordSize> Identity() const;
  // The last error that did not stop the box (a flash file that could not be saved).
  std::string LastError() const;

 private:
  friend class BoxSession;
  void Serve();
  void NoteReceived(const Frame& frame);
  void NoteViolation(const std::string& what);

  BoxSimOptions options_;
  BoxLine line_;
  mutable std::mutex mutex_;  // guards record_, flash_, identity_, lastError_
  BoxRecord record_;
  FlashModel flash_;
  std::array<std::uint8_t, kHeaderRecordSize> identity_{};
  std::string lastError_;
  std::thread thread_;
};

}  // namespace tuneflash::boxsim

// What the host stand-in's two windows have received: one entry per message, with its
// argument decoded the way the library's progress protocol defines it. Needs no Windows
// header, so the decoding can be checked anywhere.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace hoststandin {

// The windows of the stand-in.
enum class HostWindow { Toolbar, SearchControl };

// The messages of the progress protocol.
constexpr uint32_t kStatusText = 0x046C;    // lParam: address of 8-bit text, or 0 to clear
constexpr uint32_t kPercentage = 0x046D;    // lParam: percentage done
constexpr uint32_t kStartEnd = 0x046E;      // lParam: 1 at the start, 0 at the end
constexpr uint32_t kSearchNotify = 0x0200;  // lParam: code in the low word, index in the high

struct HostRecordEntry {
  HostWindow window = HostWindow::Toolbar;
  uint32_t message = 0;
  bool ackAddress = false;  // wParam carried an acknowledgement word
  intptr_t lParam = 0;
  std::string text;  // the status text of kStatusText, read while the message was handled
};

// One text line per entry, for scripts:
//   toolbar 046C ack status "Copying attachments..."     toolbar 046C ack status none
//   toolbar 046D ack percent 50                           toolbar 046E ack start | end
//   search 0200 - code 14 index 3                         toolbar 0401 - lparam 0x2A
// "ack" when wParam carried a word address, "-" when it was 0.
std::string DescribeEntry(const HostRecordEntry& entry);

// The entries, appended by the windows' thread and read by any other.
class HostRecord {
 public:
  void Add(HostRecordEntry entry);
  void Clear();
  size_t Count() const;
  // False when index is out of range.
  bool Entry(size_t index, HostRecordEntry& out) const;
  // DescribeEntry of every entry, each ended by a line feed.
  std::string AllLines() const;

 private:
  mutable std::mutex lock_;
  std::vector<HostRecordEntry> entries_;
};

}  // namespace hoststandin

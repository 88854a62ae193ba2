#include "HostRecord.h"

#include <cstdio>

namespace hoststandin {

namespace {

std::string Hex(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, static_cast<unsigned>(value));
  return buffer;
}

std::string DecodedArgument(const HostRecordEntry& entry) {
  const auto low = static_cast<uint32_t>(entry.lParam);
  if (entry.window == HostWindow::SearchControl && entry.message == kSearchNotify)
    return "code " + std::to_string(low & 0xFFFF) + " index " + std::to_string(low >> 16);
  if (entry.window == HostWindow::Toolbar) {
    switch (entry.message) {
      case kStatusText:
        return entry.lParam ? "status \"" + entry.text + "\"" : "status none";
      case kPercentage:
        return "percent " + std::to_string(entry.lParam);
      case kStartEnd:
        return entry.lParam ? "start" : "end";
      default:
        break;
    }
  }
  return "lparam 0x" + Hex(low, 1);
}

}  // namespace

std::string DescribeEntry(const HostRecordEntry& entry) {
  const char* window = entry.window == HostWindow::Toolbar ? "toolbar" : "search";
  return std::string(window) + " " + Hex(entry.message, 4) + " " +
         (entry.ackAddress ? "ack" : "-") + " " + DecodedArgument(entry);
}

void HostRecord::Add(HostRecordEntry entry) {
  std::lock_guard hold(lock_);
  entries_.push_back(std::move(entry));
}

void HostRecord::Clear() {
  std::lock_guard hold(lock_);
  entries_.clear();
}

size_t HostRecord::Count() const {
  std::lock_guard hold(lock_);
  return entries_.size();
}

bool HostRecord::Entry(size_t index, HostRecordEntry& out) const {
  std::lock_guard hold(lock_);
  if (index >= entries_.size()) return false;
  out = entries_[index];
  return true;
}

std::string HostRecord::AllLines() const {
  std::lock_guard hold(lock_);
  std::string lines;
  for (const auto& entry : entries_) lines += DescribeEntry(entry) + "\n";
  return lines;
}

}  // namespace hoststandin

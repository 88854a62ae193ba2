// The store file loader sees whatever a killed writer or a damaged disk left: it must
// take the intact records and never read out of bounds. What it loads must survive a
// snapshot and reload unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/RecordLog.h"
#include "core/StoreImage.h"

using namespace mapistandin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  StoreImage image;
  // Both as a whole file and as raw payloads (records with valid frames).
  LogScan scan = ScanLog(input, true);
  std::vector<StoreOp> ops;
  for (const std::string& payload : scan.payloads) {
    if (DecodeTransaction(payload, ops)) image.Apply(ops);
  }
  if (DecodeTransaction(input, ops)) image.Apply(ops);
  std::string file = MakeHeader(1);
  for (const StoreOp& op : image.Snapshot()) file += FrameRecord(EncodeTransaction({op}));
  StoreImage again;
  for (const std::string& payload : ScanLog(file, true).payloads) {
    if (!DecodeTransaction(payload, ops)) __builtin_trap();
    again.Apply(ops);
  }
  if (again.folders.size() != image.folders.size() || again.named.size() != image.named.size()) {
    __builtin_trap();
  }
  return 0;
}

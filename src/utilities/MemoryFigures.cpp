#include "utilities/MemoryFigures.h"

namespace kelmsgs {

std::int32_t FigureAsLong(std::uint64_t value) noexcept {
  const std::uint32_t saturated =
      value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
  return static_cast<std::int32_t>(saturated);
}

namespace {
std::int32_t Difference(std::int32_t total, std::int32_t available) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(total) -
                                   static_cast<std::uint32_t>(available));
}
}  // namespace

MemoryFigures ComputeMemoryFigures(const RawMemoryStatus& raw) noexcept {
  MemoryFigures f;
  f.memoryLoad = FigureAsLong(raw.memoryLoad);
  f.totalPhysical = FigureAsLong(raw.totalPhys);
  f.availablePhysical = FigureAsLong(raw.availPhys);
  f.totalPageFile = FigureAsLong(raw.totalPageFile);
  f.availablePageFile = FigureAsLong(raw.availPageFile);
  f.totalVirtual = FigureAsLong(raw.totalVirtual);
  f.availableVirtual = FigureAsLong(raw.availVirtual);
  f.usedPhysical = Difference(f.totalPhysical, f.availablePhysical);
  f.usedPageFile = Difference(f.totalPageFile, f.availablePageFile);
  f.usedVirtual = Difference(f.totalVirtual, f.availableVirtual);
  return f;
}

}  // namespace kelmsgs

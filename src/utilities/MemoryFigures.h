// The memory figures of a snapshot as 32-bit automation values. Portable: no Windows
// header.
#pragma once

#include <cstdint>

namespace kelmsgs {

// The raw figures as the system reports them (pointer-sized on 64-bit builds).
struct RawMemoryStatus {
  std::uint64_t memoryLoad, totalPhys, availPhys, totalPageFile, availPageFile, totalVirtual,
      availVirtual;
};

struct MemoryFigures {
  std::int32_t memoryLoad = 0, totalPhysical = 0, availablePhysical = 0, totalPageFile = 0,
               availablePageFile = 0, totalVirtual = 0, availableVirtual = 0, usedPhysical = 0,
               usedPageFile = 0, usedVirtual = 0;
};

// A figure as a 32-bit caller sees it: above 0xFFFFFFFF it saturates, then its 32 bits
// are kept as they are (2 GB and more read as negative numbers).
std::int32_t FigureAsLong(std::uint64_t value) noexcept;

// All ten figures; the used figures are total minus available in 32-bit arithmetic.
MemoryFigures ComputeMemoryFigures(const RawMemoryStatus& raw) noexcept;

}  // namespace kelmsgs

// Restrictions over rows of properties, with the kinds, relations and fuzzy levels of
// MAPI tables. Portable: the tables convert SRestriction into this form.
#pragma once

#include <cstdint>
#include <vector>

#include "PropData.h"

namespace mapistandin {

enum class RestrictionKind : std::uint32_t {
  And = 0,
  Or = 1,
  Not = 2,
  Content = 3,
  Property = 4,
  CompareProps = 5,
  Bitmask = 6,
  Size = 7,
  Exist = 8,
  SubRestriction = 9,
  Comment = 10,
};

enum Relop : std::uint32_t {
  kRelopLt = 0,
  kRelopLe = 1,
  kRelopGt = 2,
  kRelopGe = 3,
  kRelopEq = 4,
  kRelopNe = 5,
  kRelopRe = 6,
};

enum FuzzyLevel : std::uint32_t {
  kFullString = 0x0,
  kSubString = 0x1,
  kPrefix = 0x2,
  kIgnoreCase = 0x10000,
  kIgnoreNonSpace = 0x20000,
  kLoose = 0x40000,
};

struct Restriction {
  RestrictionKind kind = RestrictionKind::And;
  std::uint32_t relop = kRelopEq;  // Property, CompareProps, Size
  std::uint32_t fuzzy = 0;         // Content
  std::uint32_t tag = 0;           // the row's property
  std::uint32_t tag2 = 0;          // CompareProps: the second property
  std::uint32_t mask = 0;          // Bitmask: mask; Size: the byte count
  std::uint32_t bitmaskRelop = 0;  // Bitmask: 0 = all masked bits zero, 1 = some set
  Prop value;                      // Property, Content
  std::vector<Restriction> children;
};

// Whether a row passes the restriction. Properties missing from the row fail every
// comparison except under Not and Exist.
bool Matches(const Restriction& r, const Row& row);

// Compares two values of the same type: negative, 0 or positive. Strings compare without
// regard to case (the ASCII and Latin-1 letters); binaries byte by byte, the shorter first.
int CompareValues(const Prop& a, const Prop& b);

// Case-folded 8-bit text for comparisons.
char FoldCase(char c);

}  // namespace mapistandin

#include "Restriction.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace mapistandin {

namespace {

int Sign(long double d) {
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

int CompareBytes(std::string_view a, std::string_view b, bool fold) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(fold ? FoldCase(a[i]) : a[i]);
    unsigned char y = static_cast<unsigned char>(fold ? FoldCase(b[i]) : b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool RelopHolds(std::uint32_t relop, int c) {
  switch (relop) {
    case kRelopLt:
      return c < 0;
    case kRelopLe:
      return c <= 0;
    case kRelopGt:
      return c > 0;
    case kRelopGe:
      return c >= 0;
    case kRelopEq:
      return c == 0;
    case kRelopNe:
      return c != 0;
    default:
      return false;  // regular expressions are not offered
  }
}

bool ContentMatches(const Restriction& r, const Prop& p) {
  const std::uint16_t type = p.type();
  if (type != kTypeString8 && type != kTypeBinary && type != kTypeUnicode) return false;
  const bool fold = (r.fuzzy & kIgnoreCase) != 0 && type != kTypeBinary;
  std::string hay = p.bytes;
  std::string needle = r.value.bytes;
  if (fold) {
    std::transform(hay.begin(), hay.end(), hay.begin(), FoldCase);
    std::transform(needle.begin(), needle.end(), needle.begin(), FoldCase);
  }
  switch (r.fuzzy & 0xFFFF) {
    case kSubString:
      return hay.find(needle) != std::string::npos;
    case kPrefix:
      return hay.compare(0, needle.size(), needle) == 0 && hay.size() >= needle.size();
    default:
      return hay == needle;
  }
}

std::size_t SizeOf(const Prop& p) {
  switch (p.type()) {
    case kTypeShort:
      return 2;
    case kTypeLong:
    case kTypeFloat:
    case kTypeError:
    case kTypeBoolean:
      return 4;
    case kTypeString8:
      return p.bytes.size() + 1;
    case kTypeUnicode:
      return p.bytes.size() + 2;
    case kTypeBinary:
    case kTypeClsid:
      return p.bytes.size();
    default:
      return 8;
  }
}

}  // namespace

char FoldCase(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  return c;
}

int CompareValues(const Prop& a, const Prop& b) {
  switch (a.type()) {
    case kTypeFloat:
    case kTypeDouble:
    case kTypeAppTime:
      return Sign(static_cast<long double>(a.real) - b.real);
    case kTypeSysTime: {
      const auto x = static_cast<std::uint64_t>(a.integer);
      const auto y = static_cast<std::uint64_t>(b.integer);
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case kTypeBoolean: {
      const bool x = a.integer != 0, y = b.integer != 0;
      return x == y ? 0 : (x ? 1 : -1);
    }
    case kTypeString8:
    case kTypeUnicode:
      return CompareBytes(a.bytes, b.bytes, true);
    case kTypeBinary:
    case kTypeClsid:
      return CompareBytes(a.bytes, b.bytes, false);
    default:
      if (a.type() & kTypeMultiFlag) {
        const std::size_t n = std::min(a.multi.size(), b.multi.size());
        for (std::size_t i = 0; i < n; ++i) {
          if (int c = CompareBytes(a.multi[i], b.multi[i], false)) return c;
        }
        return a.multi.size() == b.multi.size() ? 0 : (a.multi.size() < b.multi.size() ? -1 : 1);
      }
      return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
  }
}

bool Matches(const Restriction& r, const Row& row) {
  switch (r.kind) {
    case RestrictionKind::And:
      return std::all_of(r.children.begin(), r.children.end(),
                         [&](const Restriction& c) { return Matches(c, row); });
    case RestrictionKind::Or:
      return std::any_of(r.children.begin(), r.children.end(),
                         [&](const Restriction& c) { return Matches(c, row); });
    case RestrictionKind::Not:
      return !r.children.empty() && !Matches(r.children.front(), row);
    case RestrictionKind::Exist:
      return FindProp(row, r.tag) != nullptr;
    case RestrictionKind::Content: {
      const Prop* p = FindProp(row, r.tag);
      return p && ContentMatches(r, *p);
    }
    case RestrictionKind::Property: {
      const Prop* p = FindProp(row, r.tag);
      if (!p || TypeOf(r.value.tag) != p->type()) return false;
      return RelopHolds(r.relop, CompareValues(*p, r.value));
    }
    case RestrictionKind::CompareProps: {
      const Prop* a = FindProp(row, r.tag);
      const Prop* b = FindProp(row, r.tag2);
      if (!a || !b || a->type() != b->type()) return false;
      return RelopHolds(r.relop, CompareValues(*a, *b));
    }
    case RestrictionKind::Bitmask: {
      const Prop* p = FindProp(row, r.tag);
      if (!p) return false;
      const bool anySet = (static_cast<std::uint32_t>(p->integer) & r.mask) != 0;
      return r.bitmaskRelop == 0 ? !anySet : anySet;
    }
    case RestrictionKind::Size: {
      const Prop* p = FindProp(row, r.tag);
      if (!p) return false;
      const std::size_t size = SizeOf(*p);
      return RelopHolds(r.relop, size < r.mask ? -1 : (size > r.mask ? 1 : 0));
    }
    case RestrictionKind::Comment:
      return r.children.empty() || Matches(r.children.front(), row);
    case RestrictionKind::SubRestriction:
      return false;  // rows carry no recipient or attachment sub-tables
  }
  return false;
}

}  // namespace mapistandin

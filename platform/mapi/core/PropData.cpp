#include "PropData.h"

#include <utility>

namespace mapistandin {

const Prop* FindProp(const Row& row, std::uint32_t tag) {
  for (const Prop& p : row) {
    if (p.tag == tag) return &p;
  }
  return nullptr;
}

Prop MakeLong(std::uint32_t tag, std::int64_t value) {
  Prop p;
  p.tag = tag;
  p.integer = value;
  return p;
}

Prop MakeString(std::uint32_t tag, std::string value) {
  Prop p;
  p.tag = tag;
  p.bytes = std::move(value);
  return p;
}

Prop MakeBinary(std::uint32_t tag, std::string value) {
  return MakeString(tag, std::move(value));
}

Prop MakeError(std::uint16_t id, std::int32_t code) {
  Prop p;
  p.tag = MakeTag(id, kTypeError);
  p.integer = code;
  return p;
}

}  // namespace mapistandin

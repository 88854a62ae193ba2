// One writer per kind of part while a document is read, so that text can be routed to
// the body, a header, a note or a comment as the reader meets it; Finish adds the
// parts to the document in a fixed order (body first).
#pragma once

#include <array>
#include <cstddef>

#include "DocumentText.h"

namespace docfilter {

class PartWriters {
 public:
  explicit PartWriters(const DocumentText& document);
  Latin1Writer& operator[](PartKind kind) { return writers_[static_cast<std::size_t>(kind)]; }
  void Finish(DocumentText& document);

 private:
  static constexpr std::size_t kKinds = static_cast<std::size_t>(PartKind::Field) + 1;
  std::array<Latin1Writer, kKinds> writers_;
};

}  // namespace docfilter

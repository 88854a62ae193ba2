#include "PartWriters.h"

namespace docfilter {

PartWriters::PartWriters(const DocumentText& d)
    : writers_{d.Writer(), d.Writer(), d.Writer(), d.Writer(), d.Writer(),
               d.Writer(), d.Writer(), d.Writer(), d.Writer()} {}

void PartWriters::Finish(DocumentText& document) {
  for (std::size_t i = 0; i < kKinds; ++i)
    document.Add(static_cast<PartKind>(i), writers_[i].Take());
}

}  // namespace docfilter

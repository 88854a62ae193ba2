#include "FilterState.h"

namespace docfilter {

FilterState& FilterState::Instance() {
  static FilterState state;
  return state;
}

void FilterState::Clear() {
  contents.Clear();
  texts.Clear();
  members.Clear();
  documents.Clear();
}

}  // namespace docfilter

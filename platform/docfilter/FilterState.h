// What the filter holds for a process: open documents, open archive members and the
// text and content readers on them, each behind its own kind of handle.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>

#include "DocFilter.h"
#include "ElementStream.h"
#include "FilterDocument.h"
#include "HandleTable.h"
#include "TextChunker.h"

namespace docfilter {

// An archive member opened with DAOpenTreeRecord.
struct OpenMember {
  std::shared_ptr<const FilterDocument> document;
  std::size_t index;
};

// A text reader: the document's readable text, handed out in chunks. It keeps the
// document alive, so the text is shared, not copied.
struct TextReader {
  explicit TextReader(std::shared_ptr<const FilterDocument> doc)
      : document(std::move(doc)), chunker(document->readableText()) {}
  std::shared_ptr<const FilterDocument> document;
  std::mutex lock;
  TextChunker chunker;
};

// A content reader: the elements of one member.
struct ContentReader {
  explicit ContentReader(DocumentText text) : elements(std::move(text)) {}
  std::mutex lock;
  ElementStream elements;
};

class FilterState {
 public:
  static FilterState& Instance();

  // A caller that opens documents without closing them is stopped before it holds
  // unbounded memory: each open document keeps its file's bytes.
  HandleTable<const FilterDocument> documents{256};
  HandleTable<OpenMember> members{4096};
  HandleTable<TextReader> texts{4096};
  HandleTable<ContentReader> contents{4096};

  // Closes everything (DADeInit).
  void Clear();
};

}  // namespace docfilter

// What the process has open in the filter, shared by every content object: one document
// (with its text reader) at a time, and during ArchiveContent one archive member with
// its content reader. Content objects live in single-threaded apartments and callers use
// one at a time, so the state has no lock of its own; the one piece another thread
// touches, a first read given up on, synchronises itself (FirstTextRead).
#pragma once

#include <objidl.h>

#include <memory>

#include "content/FilterHandles.h"
#include "content/FirstTextRead.h"
#include "content/MemberNameTable.h"
#include "foundation/ComPtr.h"

namespace kelmsgs {

struct EngineState {
  static EngineState& Instance() noexcept;

  FilterDocument document;
  FilterText text;
  FilterMember member;
  FilterContent memberContent;
  // The stream read by the redirected-input callbacks.
  ComPtr<IStream> source;
  MemberNameTable memberNames;
  // A first text read given up on at its time limit that may still be running.
  std::shared_ptr<FirstTextRead> pendingRead;

  // The buffer of the text reads after the first (FirstTextRead::kCapacity bytes and a
  // spare), made on first use; null when memory runs out.
  BYTE* TextChunk() noexcept;

  // Closes the text reader and then the document. A first read still running on that
  // reader takes both over and closes them when the filter returns, so the filter never
  // sees a reader closed under a read.
  void CloseDocument() noexcept;
  // Everything, when the module is unloaded.
  void CloseAll() noexcept;

 private:
  std::unique_ptr<BYTE[]> textChunk_;
};

}  // namespace kelmsgs

#include "content/EngineState.h"

#include <new>

namespace kelmsgs {

EngineState& EngineState::Instance() noexcept {
  // Lives with the process: its handles are closed by FilterEngine::Unload while the
  // filter is loaded, never by a static destructor at process exit.
  static EngineState* state = new EngineState;
  return *state;
}

BYTE* EngineState::TextChunk() noexcept {
  if (!textChunk_) textChunk_.reset(new (std::nothrow) BYTE[FirstTextRead::kCapacity + 1]);
  return textChunk_.get();
}

void EngineState::CloseDocument() noexcept {
  if (pendingRead && pendingRead->text() == text.get()) pendingRead->HandOver(text, document);
  pendingRead.reset();
  text.reset();
  document.reset();
}

void EngineState::CloseAll() noexcept {
  memberContent.reset();
  member.reset();
  CloseDocument();
  source.reset();
  memberNames.Free();
  textChunk_.reset();
}

}  // namespace kelmsgs

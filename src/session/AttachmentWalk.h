// The walk of AddAttachments: every attachment of a source message recreated on a target
// message, embedded messages copied with their own attachments. Each walk owns its copy
// buffer, so walks of two sessions (or a walk re-entered while it pumps messages) never
// share bytes.
#pragma once

#include <mapix.h>

#include <memory>
#include <optional>

#include "session/QMXSession.h"

namespace kelmsgs {

class CQMXSession::AttachmentWalk {
 public:
  // Bytes of attachment data read and written at a time.
  static constexpr ULONG kCopyBufferSize = 65535;
  // The result of a walk, or of a save, that the stop request ended.
  static constexpr HRESULT kStopped = MAPI_E_USER_CANCEL;

  explicit AttachmentWalk(CQMXSession& session) : session_(session) {}

  // The whole of AddAttachments: E_INVALIDARG for a null message; traces "Cancelled." when
  // the stop request ended the walk.
  HRESULT Run(IMessage* source, IMessage* target);
  bool stopped() const { return stopped_; }

 private:
  // One message's attachments (recursion enters here for embedded messages).
  HRESULT CopyAttachments(IMessage* source, IMessage* target);
  // One attachment row: nothing when the row is passed over, else the result it sets; a
  // failure ends the walk.
  std::optional<HRESULT> CopyRow(IMessage* source, IMessage* target, const SRow& row);
  // The data of an attachment by value (1) or OLE object (6).
  HRESULT CopyBinary(IAttach* from, IAttach* to, ULONG method);
  // The message of an embedded-message attachment (5), with its attachments.
  HRESULT CopyEmbedded(IAttach* from, IAttach* to);
  HRESULT CopyStream(IStream* from, IStream* to);
  // Polls the stop request; once seen, the walk stays stopped.
  bool Stop();

  CQMXSession& session_;
  const std::unique_ptr<BYTE[]> buffer_ = std::make_unique<BYTE[]>(kCopyBufferSize);
  bool stopped_ = false;
};

}  // namespace kelmsgs

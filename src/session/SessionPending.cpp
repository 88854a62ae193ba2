// QMXSession: members whose subsystems are not part of the library yet. Each answers
// E_NOTIMPL until its subsystem lands; none of them changes the session.
#include "session/QMXSession.h"

namespace kelmsgs {

HRESULT CQMXSession::CopyAttachments(BSTR, BSTR, BSTR, BSTR, VARIANT_BOOL) {
  return E_NOTIMPL;
}
HRESULT CQMXSession::CleanupQlaTempDir() {
  return E_NOTIMPL;
}
HRESULT CQMXSession::StopAttachmentCopy() {
  return E_NOTIMPL;
}
HRESULT CQMXSession::get_CopyingAttachments(VARIANT_BOOL*) {
  return E_NOTIMPL;
}

}  // namespace kelmsgs

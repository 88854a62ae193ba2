// QMXSession: members whose subsystems are not part of the library yet. Each answers
// E_NOTIMPL until its subsystem lands; none of them changes the session.
#include "session/QMXSession.h"

namespace kelmsgs {

HRESULT CQMXSession::SendMail(BSTR, BSTR, BSTR, BSTR, BSTR, BSTR, MessageImportanceConstants,
                              VARIANT_BOOL) {
  return E_NOTIMPL;
}
HRESULT CQMXSession::put_SndPwd(BSTR) {
  return E_NOTIMPL;
}
HRESULT CQMXSession::FormatRange(LONG, LONG, LONG, LONG, LONG) {
  return E_NOTIMPL;
}
HRESULT CQMXSession::ClearRTF(LONG) {
  return E_NOTIMPL;
}
HRESULT CQMXSession::FormatMessage(BSTR, BSTR, BSTR) {
  return E_NOTIMPL;
}

}  // namespace kelmsgs

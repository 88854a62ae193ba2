// QMXMessage: the attachment members. They arrive with the attachment class; until then
// they answer E_NOTIMPL.
#include "message/QMXMessage.h"

namespace kelmsgs {

HRESULT CQMXMessage::get_AttachmentCount(LONG*) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::AddAttachment(IQMXAttach*) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::get_AttachmentFromId(BSTR, IQMXAttach**) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::SaveAttachment(LONG, BSTR, VARIANT_BOOL*) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::get_Attachment(LONG, IQMXAttach**) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::AttachMessage(IQMXMessage*) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::DeleteAttachment(LONG) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::DeleteAttachments(VARIANT) {
  return E_NOTIMPL;
}
HRESULT CQMXMessage::get_AttachmentIndexFromId(BSTR, LONG*) {
  return E_NOTIMPL;
}

}  // namespace kelmsgs

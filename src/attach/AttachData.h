// The data of a MAPI attachment as one stream, and the copying of such a stream into a
// file: shared by the attachment object (Save, OpenContent) and the message's
// SaveAttachment. The attachment object's directories are in attach/QlaPaths.h.
#pragma once

#include <mapix.h>

#include <string>

#include "foundation/ComPtr.h"

namespace kelmsgs {

// The stream chosen by the attachment's method: the binary data of an attachment by
// value, the plain-text body of an embedded message, the storage bytes of an OLE object.
// Other methods (by reference, none) have no stream.
struct AttachDataStream {
  HRESULT hr = S_OK;        // the method read's HRESULT, or the first OpenProperty's
  bool methodRead = false;  // false: the method read failed and hr is its failure
  ComPtr<IStream> stream;   // null when there is no stream
};
AttachDataStream OpenAttachData(IMAPIProp* attachment);

// Copies the whole of source into the file at path, created or overwritten. Answers the
// first failure of opening the file, reading, copying or committing; a file opened
// before the failure is removed again.
// The file is opened by its UTF-16 path, so any name the file system takes is reached.
HRESULT CopyStreamToFile(IStream* source, const std::wstring& path);

}  // namespace kelmsgs

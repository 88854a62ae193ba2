#include "attach/AttachData.h"

#include <mapiutil.h>
#include <shlwapi.h>

#include "foundation/MapiOwned.h"
#include "foundation/PropTags.h"

namespace kelmsgs {

namespace {

HRESULT OpenStream(IMAPIProp* object, ULONG tag, REFIID iid, ComPtr<IStream>& stream) {
  return object->OpenProperty(tag, &iid, 0, 0, reinterpret_cast<LPUNKNOWN*>(stream.put()));
}

}  // namespace

AttachDataStream OpenAttachData(IMAPIProp* attachment) {
  AttachDataStream data;
  // 1. The attach method.
  auto tags = MakeTags(PR_ATTACH_METHOD);
  ULONG count = 0;
  PropValues values;
  data.hr = attachment->GetProps(tags.get(), 0, &count, values.put());
  if (FAILED(data.hr)) return data;
  data.methodRead = true;
  const SPropValue& method = values.get()[0];
  if (count < 1 || PROP_TYPE(method.ulPropTag) == PT_ERROR) return data;
  // 2. The stream that method keeps its data in.
  switch (method.Value.l) {
    case ATTACH_BY_VALUE:
      data.hr = OpenStream(attachment, PR_ATTACH_DATA_BIN, IID_IStream, data.stream);
      break;
    case ATTACH_EMBEDDED_MSG: {
      // The embedded message's plain-text body, not the message itself.
      ComPtr<IMessage> embedded;
      data.hr = attachment->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                         reinterpret_cast<LPUNKNOWN*>(embedded.put()));
      if (SUCCEEDED(data.hr))
        data.hr = OpenStream(embedded.get(), PR_BODY_A, IID_IStream, data.stream);
      break;
    }
    case ATTACH_OLE:
      data.hr = OpenStream(attachment, PR_ATTACH_DATA_BIN, IID_IStreamDocfile, data.stream);
      break;
    default:
      break;
  }
  if (FAILED(data.hr)) data.stream.reset();
  return data;
}

HRESULT CopyStreamToFile(IStream* source, const std::wstring& path) {
  // 1. The file, created or emptied.
  ComPtr<IStream> file;
  HRESULT hr = SHCreateStreamOnFileEx(path.c_str(), STGM_CREATE | STGM_READWRITE,
                                      FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, file.put());
  if (FAILED(hr)) return hr;
  // 2. The whole source, committed. A copy that fails part way leaves no shortened file
  //    behind to pass for the attachment.
  const auto copied = [&]() -> HRESULT {
    STATSTG stat{};
    HRESULT step = source->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(step)) return step;
    step = source->CopyTo(file.get(), stat.cbSize, nullptr, nullptr);
    if (FAILED(step)) return step;
    return file->Commit(0);
  }();
  if (FAILED(copied)) {
    file.reset();
    DeleteFileW(path.c_str());
  }
  return copied;
}

}  // namespace kelmsgs

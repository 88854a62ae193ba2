#include "attach/AttachData.h"

#include <mapiutil.h>

#include "attach/SafeFileName.h"
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

HRESULT CopyStreamToFile(IStream* source, const std::string& path, bool& opened) {
  opened = false;
  // 1. The file, created or emptied.
  ComPtr<IStream> file;
  std::string target = path;
  HRESULT hr = OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE,
                                target.data(), nullptr, file.put());
  if (FAILED(hr)) return hr;
  opened = true;
  // 2. The whole source, committed.
  STATSTG stat{};
  source->Stat(&stat, STATFLAG_NONAME);
  source->CopyTo(file.get(), stat.cbSize, nullptr, nullptr);
  return file->Commit(0);
}

std::string TempDirectory() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof buffer, buffer);
  std::string dir(buffer, length <= MAX_PATH ? length : 0);
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}

std::string QlaFilePath(std::string_view storedName) {
  // 1. The long form of the temporary directory (the short one when it has none).
  std::string dir = TempDirectory();
  char longDir[MAX_PATH + 1] = {};
  const DWORD length = GetLongPathNameA(dir.c_str(), longDir, sizeof longDir);
  if (length > 0 && length <= MAX_PATH) dir.assign(longDir, length);
  if (dir.back() != '\\') dir += '\\';
  // 2. Its "QLA\" subdirectory, made when missing (an existing one is fine; any other
  //    failure shows when the file is opened).
  dir += "QLA\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  // 3. A name that stays inside it.
  return dir + SafeFileName(storedName);
}

}  // namespace kelmsgs

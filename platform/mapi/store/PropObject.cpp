#include "store/PropObject.h"

#include <mapitags.h>

#include <cstring>

namespace mapistandin {

bool IsComputedTag(ULONG tag) {
  switch (PROP_ID(tag)) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_HASATTACH):
    case PROP_ID(PR_MESSAGE_SIZE):
    case PROP_ID(PR_ACCESS):
    case PROP_ID(PR_ACCESS_LEVEL):
    case PROP_ID(PR_CONTENT_COUNT):
    case PROP_ID(PR_CONTENT_UNREAD):
    case PROP_ID(PR_SUBFOLDERS):
    case PROP_ID(PR_FOLDER_TYPE):
    case PROP_ID(PR_STORE_SUPPORT_MASK):
    case PROP_ID(PR_ATTACH_NUM):
    case PROP_ID(PR_ATTACH_SIZE):
    case PROP_ID(PR_ROWID):
      return true;
    default:
      return PROP_ID(tag) >= 0x7F00 && PROP_ID(tag) <= 0x7FFF;  // the store's private range
  }
}

HRESULT MakeMapiError(HRESULT hr, const char* component, LPMAPIERROR* out) {
  char text[160];
  const char* what = "The operation failed.";
  switch (hr) {
    case MAPI_E_NOT_FOUND:
      what = "The object or property was not found.";
      break;
    case MAPI_E_NO_ACCESS:
      what = "Access to the object was denied.";
      break;
    case MAPI_E_INVALID_ENTRYID:
      what = "The entry identifier is not valid.";
      break;
    case MAPI_E_NOT_ENOUGH_MEMORY:
      what = "The value is too large to be returned.";
      break;
    case MAPI_E_NO_SUPPORT:
      what = "The operation is not supported.";
      break;
    case MAPI_E_COLLISION:
      what = "An object with that name already exists.";
      break;
    default:
      break;
  }
  std::snprintf(text, sizeof text, "%s (0x%08lX)", what, static_cast<unsigned long>(hr));
  void* block = nullptr;
  HRESULT r = MAPIAllocateBuffer(sizeof(MAPIERROR), &block);
  if (FAILED(r)) return r;
  auto* error = static_cast<MAPIERROR*>(block);
  std::memset(error, 0, sizeof *error);
  error->ulVersion = MAPI_ERROR_VERSION;
  void* t = nullptr;
  void* c = nullptr;
  if (FAILED(r = MAPIAllocateMore(static_cast<ULONG>(std::strlen(text) + 1), block, &t)) ||
      FAILED(r = MAPIAllocateMore(static_cast<ULONG>(std::strlen(component) + 1), block, &c))) {
    MAPIFreeBuffer(block);
    return r;
  }
  std::strcpy(static_cast<char*>(t), text);
  std::strcpy(static_cast<char*>(c), component);
  error->lpszError = static_cast<LPTSTR>(t);
  error->lpszComponent = static_cast<LPTSTR>(c);
  error->ulLowLevelError = static_cast<ULONG>(hr);
  *out = error;
  return S_OK;
}

bool CoerceToTag(const Prop& stored, ULONG wanted, Prop& out) {
  const ULONG have = PROP_TYPE(stored.tag);
  const ULONG want = PROP_TYPE(wanted);
  if (have == PT_ERROR || want == PT_UNSPECIFIED || have == want) {
    out = stored;
    return true;
  }
  if (have == PT_STRING8 && want == PT_UNICODE) {
    out = stored;
    out.tag = wanted;
    out.bytes.clear();
    for (char c : stored.bytes) {
      out.bytes.push_back(c);
      out.bytes.push_back('\0');
    }
    return true;
  }
  if (have == PT_UNICODE && want == PT_STRING8) {
    out = stored;
    out.tag = wanted;
    out.bytes.clear();
    for (std::size_t i = 0; i + 1 < stored.bytes.size(); i += 2) {
      out.bytes.push_back(stored.bytes[i + 1] ? '?' : stored.bytes[i]);
    }
    return true;
  }
  return false;
}

}  // namespace mapistandin

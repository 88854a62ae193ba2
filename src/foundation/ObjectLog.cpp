#include "foundation/BstrText.h"
#include "foundation/AutomationOut.h"
#include "foundation/ObjectLog.h"

#include <time.h>

#include "foundation/ObjectLogLine.h"
#include "foundation/TextConvert.h"

namespace kelmsgs {

HRESULT ObjectLog::get_LogFile(BSTR* pVal) const {
  if (!pVal) return E_POINTER;
  return StringOut(name_, pVal);
}

HRESULT ObjectLog::put_LogFile(BSTR name, bool writeHeader) {
  // 1. Null and empty names change nothing.
  if (!name || SysStringLen(name) == 0) return E_INVALIDARG;
  // 2. Forget the current file.
  name_.reset();
  file_.reset();
  // 3. Create the file under its 8-bit name.
  const NarrowText path = NarrowString(reinterpret_cast<const char16_t*>(name));
  if (path)
    file_.reset(CreateFileA(path.get(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  // 4. The name is kept only for a file that exists.
  if (file_) name_ = BstrCopy(name);
  // 5. Header line.
  if (writeHeader) WriteHeader();
  return S_OK;
}

void ObjectLog::WriteLine(const char* text, bool isHeader) {
  if (!file_) return;
  char date[16] = {};
  char time[16] = {};
  _strdate(date);
  _strtime(time);
  const std::string line = FormatObjectLogLine(date, time, text ? text : "", isHeader);
  DWORD written = 0;
  WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace kelmsgs

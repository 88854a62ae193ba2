// QMXRegistryTools: registry operations for script clients (enumerate values and
// subkeys, delete, save and restore keys) and a text-to-clipboard convenience.
//
// An enumeration whose key another process deletes meanwhile fails with
// HRESULT_FROM_WIN32(ERROR_KEY_DELETED) and leaves its list empty, as any failed
// enumeration does; the count is not written (EnumSubkeysReg has set it to 0 first).
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "KelMsgs.h"
#include "frame/AutomationObject.h"

namespace kelmsgs {

class CQMXRegistryTools final
    : public AutomationObject<CQMXRegistryTools, IQMXRegistryTools, QMXRegistryTools> {
 public:
  HRESULT STDMETHODCALLTYPE EnumValuesReg(RegistryHKeyConstants Key, BSTR SubKey,
                                          LONG* pCount) override;
  HRESULT STDMETHODCALLTYPE ValueName(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE ValueData(LONG Index, VARIANT* pVal) override;
  HRESULT STDMETHODCALLTYPE EnumSubkeysReg(RegistryHKeyConstants Key, BSTR SubKey,
                                           LONG* pCount) override;
  HRESULT STDMETHODCALLTYPE SubkeyName(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE DeleteSubKey(RegistryHKeyConstants Key, BSTR SubKey) override;
  HRESULT STDMETHODCALLTYPE DeleteValue(RegistryHKeyConstants Key, BSTR SubKey,
                                        BSTR ValueName) override;
  HRESULT STDMETHODCALLTYPE SetClipboardDataString(BSTR Text) override;
  HRESULT STDMETHODCALLTYPE SaveKey(RegistryHKeyConstants Key, BSTR SubKey, BSTR Filename) override;
  HRESULT STDMETHODCALLTYPE RestoreKey(RegistryHKeyConstants Key, BSTR SubKey,
                                       BSTR Filename) override;

 private:
  // A value's data as kept in the list: a string (REG_SZ), a number (REG_DWORD) or
  // nothing (every other type).
  using Data = std::variant<std::monostate, std::wstring, LONG>;
  struct ValueEntry {
    std::wstring name;
    Data data;
  };

  std::vector<ValueEntry> values_;
  std::vector<std::wstring> subkeys_;
};

}  // namespace kelmsgs

#include "foundation/BstrText.h"
#include "foundation/AutomationOut.h"
#include "utilities/QMXRegistryTools.h"

#include <cstdio>
#include <cstring>

#include "foundation/AnsiText.h"
#include "foundation/Owned.h"
#include "utilities/RegistryEnumeration.h"
#include "utilities/RegistryRoots.h"

namespace kelmsgs {

namespace {

constexpr REGSAM kKeyRead = 0x20019;
constexpr REGSAM kKeyWrite = 0x20006;
constexpr REGSAM kKeyAllAccess = 0xF003F;

bool IsEmpty(BSTR s) {
  return !s || SysStringLen(s) == 0;
}

// The predefined handle of a root number (sign-extended like the system's constants).
HKEY Root(long key) {
  const auto value = RootKeyValue(key);
  if (!value) return nullptr;
  return reinterpret_cast<HKEY>(
      static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(*value))));
}

// Enables a privilege of the process token; false when it cannot be enabled.
bool EnablePrivilege(const char* name) {
  KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put())) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  return GetLastError() == ERROR_SUCCESS;
}

bool FileReadable(const std::string& path) {
  return CFile(std::fopen(path.c_str(), "rb")).valid();
}

}  // namespace

HRESULT CQMXRegistryTools::EnumValuesReg(RegistryHKeyConstants Key, BSTR SubKey, LONG* pCount) {
  // 1. The previous list goes first, whatever the arguments.
  values_.clear();
  // 2. Arguments.
  const HKEY root = Root(Key);
  if (IsEmpty(SubKey) || !root) return E_INVALIDARG;
  // 3. The key; one that cannot be opened has nothing to list.
  RegKey key;
  if (RegOpenKeyExA(root, AnsiFromBstr(SubKey).c_str(), 0, kKeyRead, key.put()) != ERROR_SUCCESS)
    return S_OK;
  // 4. Number and sizes of the values.
  DWORD count = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  // 5. The list and the buffers, one byte longer than the largest name and data.
  values_.reserve(count);
  EnumBuffers buffers{std::vector<char>(maxName + 1), std::vector<std::uint8_t>(maxData + 1)};
  // 6. Every value, until the registry has no more.
  const EnumStatus end = EnumerateEntries(
      buffers,
      [&key](std::uint32_t index, EnumBuffers& b, EnumRead& r) {
        DWORD nameLength = r.nameLength, dataLength = r.dataLength, type = REG_NONE;
        const LONG rc = RegEnumValueA(key.get(), index, b.name.data(), &nameLength, nullptr, &type,
                                      b.data.data(), &dataLength);
        r = {nameLength, dataLength, type, EnumStatusOf(rc)};
      },
      [this](const EnumBuffers& b, const EnumRead& r) {
        ValueEntry entry{WideFromAnsi(b.name.data()), std::monostate{}};
        if (r.status == EnumStatus::Ok && r.type == REG_SZ) {
          const auto* text = reinterpret_cast<const char*>(b.data.data());
          entry.data = WideFromAnsi(text, strnlen(text, r.dataLength));
        } else if (r.status == EnumStatus::Ok && r.type == REG_DWORD &&
                   r.dataLength >= sizeof(DWORD)) {
          DWORD number = 0;
          std::memcpy(&number, b.data.data(), sizeof number);
          entry.data = static_cast<LONG>(number);
        }
        values_.push_back(std::move(entry));
      });
  // 7. A key deleted under the enumeration lists nothing and says so.
  if (end == EnumStatus::KeyDeleted) {
    values_.clear();
    return HRESULT_FROM_WIN32(ERROR_KEY_DELETED);
  }
  // 8. The number read.
  if (pCount) *pCount = static_cast<LONG>(values_.size());
  return S_OK;
}

HRESULT CQMXRegistryTools::ValueName(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  if (Index < 0 || static_cast<std::size_t>(Index) >= values_.size()) return E_INVALIDARG;
  return StringOut(values_[static_cast<std::size_t>(Index)].name, pVal);
}

HRESULT CQMXRegistryTools::ValueData(LONG Index, VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  if (Index < 0 || static_cast<std::size_t>(Index) >= values_.size()) return E_INVALIDARG;
  const Data& data = values_[static_cast<std::size_t>(Index)].data;
  VariantInit(pVal);
  if (const auto* text = std::get_if<std::wstring>(&data)) {
    Bstr copy = BstrFromWide(*text);
    if (!copy) return E_OUTOFMEMORY;
    V_VT(pVal) = VT_BSTR;
    V_BSTR(pVal) = copy.release();
  } else if (const auto* number = std::get_if<LONG>(&data)) {
    V_VT(pVal) = VT_I4;
    V_I4(pVal) = *number;
  }
  return S_OK;
}

HRESULT CQMXRegistryTools::EnumSubkeysReg(RegistryHKeyConstants Key, BSTR SubKey, LONG* pCount) {
  // 1. Count and list start empty.
  if (pCount) *pCount = 0;
  subkeys_.clear();
  // 2. Arguments.
  const HKEY root = Root(Key);
  if (IsEmpty(SubKey) || !root) return E_INVALIDARG;
  // 3. The key.
  RegKey key;
  if (RegOpenKeyExA(root, AnsiFromBstr(SubKey).c_str(), 0, kKeyRead, key.put()) != ERROR_SUCCESS)
    return S_OK;
  // 4. Number of subkeys and the longest name.
  DWORD count = 0, maxName = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  // 5-6. Every subkey name.
  subkeys_.reserve(count);
  EnumBuffers buffers{std::vector<char>(maxName + 1), {}};
  const EnumStatus end = EnumerateEntries(
      buffers,
      [&key](std::uint32_t index, EnumBuffers& b, EnumRead& r) {
        DWORD nameLength = r.nameLength;
        const LONG rc = RegEnumKeyExA(key.get(), index, b.name.data(), &nameLength, nullptr,
                                      nullptr, nullptr, nullptr);
        r.nameLength = nameLength;
        r.status = EnumStatusOf(rc);
      },
      [this](const EnumBuffers& b, const EnumRead&) {
        subkeys_.push_back(WideFromAnsi(b.name.data()));
      });
  // 7. A key deleted under the enumeration lists nothing and says so.
  if (end == EnumStatus::KeyDeleted) {
    subkeys_.clear();
    return HRESULT_FROM_WIN32(ERROR_KEY_DELETED);
  }
  // 8. The number read.
  if (pCount) *pCount = static_cast<LONG>(subkeys_.size());
  return S_OK;
}

HRESULT CQMXRegistryTools::SubkeyName(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  if (Index < 0 || static_cast<std::size_t>(Index) >= subkeys_.size()) return E_INVALIDARG;
  return StringOut(subkeys_[static_cast<std::size_t>(Index)], pVal);
}

HRESULT CQMXRegistryTools::DeleteSubKey(RegistryHKeyConstants Key, BSTR SubKey) {
  const HKEY root = Root(Key);
  if (IsEmpty(SubKey) || !root) return E_INVALIDARG;
  // A key with subkeys of its own stays; that is not reported.
  RegDeleteKeyA(root, AnsiFromBstr(SubKey).c_str());
  return S_OK;
}

HRESULT CQMXRegistryTools::DeleteValue(RegistryHKeyConstants Key, BSTR SubKey, BSTR ValueName) {
  // 1. Arguments.
  const HKEY root = Root(Key);
  if (IsEmpty(SubKey) || !root) return E_INVALIDARG;
  // 2. The key, for writing.
  RegKey key;
  if (RegOpenKeyExA(root, AnsiFromBstr(SubKey).c_str(), 0, kKeyWrite, key.put()) != ERROR_SUCCESS)
    return S_OK;
  // 3. The value.
  const LONG rc = RegDeleteValueA(key.get(), AnsiFromBstr(ValueName).c_str());
  key.reset();
  if (rc != ERROR_SUCCESS) return Fail("DeleteValue failed.");
  return S_OK;
}

HRESULT CQMXRegistryTools::SetClipboardDataString(BSTR Text) {
  // 1. Arguments.
  if (IsEmpty(Text)) return E_INVALIDARG;
  // 2. The 8-bit text in movable global memory.
  const std::string text = AnsiFromBstr(Text);
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1));
  if (!memory) return E_FAIL;
  void* target = GlobalLock(memory.get());
  if (!target) return E_FAIL;
  std::memcpy(target, text.c_str(), text.size() + 1);
  GlobalUnlock(memory.get());
  // 3. Onto the clipboard; the system owns the memory once it took it.
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    if (SetClipboardData(CF_TEXT, memory.get())) memory.release();
    CloseClipboard();
  }
  return S_OK;
}

HRESULT CQMXRegistryTools::SaveKey(RegistryHKeyConstants Key, BSTR SubKey, BSTR Filename) {
  // 1. Arguments.
  const HKEY root = Root(Key);
  if (IsEmpty(SubKey) || IsEmpty(Filename) || !root) return E_INVALIDARG;
  // 2. The backup privilege.
  if (!EnablePrivilege("SeBackupPrivilege")) return E_FAIL;
  // 3. The key, created when it does not exist.
  RegKey key;
  if (RegCreateKeyExA(root, AnsiFromBstr(SubKey).c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE,
                      KEY_QUERY_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return S_OK;
  // 4. An existing file is replaced.
  const std::string file = AnsiFromBstr(Filename);
  if (FileReadable(file)) DeleteFileA(file.c_str());
  // 5. Save; a failed save is not reported.
  RegSaveKeyA(key.get(), file.c_str(), nullptr);
  return S_OK;
}

HRESULT CQMXRegistryTools::RestoreKey(RegistryHKeyConstants Key, BSTR SubKey, BSTR Filename) {
  // 1. Arguments.
  const HKEY root = Root(Key);
  if (IsEmpty(SubKey) || IsEmpty(Filename) || !root) return E_INVALIDARG;
  // 2. The restore privilege.
  if (!EnablePrivilege("SeRestorePrivilege")) return E_FAIL;
  // 3. The key, opened for restoring; created first when that fails.
  const std::string subKey = AnsiFromBstr(SubKey);
  RegKey key;
  if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE, kKeyAllAccess,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAllAccess,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
      return S_OK;
    key.reset();
    if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE, kKeyAllAccess,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
      return S_OK;
  }
  // 4. The file must be readable.
  const std::string file = AnsiFromBstr(Filename);
  if (!FileReadable(file)) return E_FAIL;
  // 5. Restore; a failed restore is not reported.
  RegRestoreKeyA(key.get(), file.c_str(), 0);
  return S_OK;
}

}  // namespace kelmsgs

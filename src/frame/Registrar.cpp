#include "frame/Registrar.h"

#include <string>

#include "foundation/Owned.h"

namespace kelmsgs {

namespace {

constexpr WORD kScriptLanguage = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);  // 1031

std::wstring Wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(n - 1));
  return out;
}

HKEY RootKey(const std::string& name) {
  struct Root {
    const char* shortName;
    const char* longName;
    HKEY key;
  };
  static const Root kRoots[] = {
      {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {"HKU", "HKEY_USERS", HKEY_USERS},
      {"HKCC", "HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
  };
  for (const auto& r : kRoots)
    if (lstrcmpiA(name.c_str(), r.shortName) == 0 || lstrcmpiA(name.c_str(), r.longName) == 0)
      return r.key;
  return nullptr;
}

LONG SetValue(HKEY key, const wchar_t* name, const RegScriptValue& value) {
  if (value.type == 'd') {
    const DWORD number = value.number;
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                          sizeof number);
  }
  const std::wstring text = Wide(value.text);
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG DeleteTree(HKEY parent, const std::wstring& name) {
  const LONG rc = RegDeleteTreeW(parent, name.c_str());
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
  const LONG gone = RegDeleteKeyW(parent, name.c_str());
  return gone == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : gone;
}

HRESULT RegisterKeys(HKEY parent, const std::vector<RegScriptKey>& keys);

HRESULT RegisterKey(HKEY parent, const RegScriptKey& key) {
  using Flag = RegScriptKey::Flag;
  const std::wstring name = Wide(key.name);
  // 1. Keys marked for removal go first (a Delete key is not recreated).
  if (key.flag == Flag::ForceRemove || key.flag == Flag::Delete) {
    const LONG rc = DeleteTree(parent, name);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    if (key.flag == Flag::Delete) return S_OK;
  }
  // 2. The key itself.
  RegKey handle;
  LONG rc = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, handle.put(), nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  // 3. Its values.
  if (key.defaultValue &&
      (rc = SetValue(handle.get(), nullptr, *key.defaultValue)) != ERROR_SUCCESS)
    return HRESULT_FROM_WIN32(rc);
  for (const auto& [valueName, value] : key.values)
    if ((rc = SetValue(handle.get(), Wide(valueName).c_str(), value)) != ERROR_SUCCESS)
      return HRESULT_FROM_WIN32(rc);
  // 4. Its subkeys.
  return RegisterKeys(handle.get(), key.subkeys);
}

HRESULT RegisterKeys(HKEY parent, const std::vector<RegScriptKey>& keys) {
  for (const auto& key : keys) {
    const HRESULT hr = RegisterKey(parent, key);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void UnregisterKeys(HKEY parent, const std::vector<RegScriptKey>& keys);

void UnregisterKey(HKEY parent, const RegScriptKey& key) {
  using Flag = RegScriptKey::Flag;
  const std::wstring name = Wide(key.name);
  if (key.flag == Flag::Delete) return;
  // A ForceRemove key goes with all its content.
  if (key.flag == Flag::ForceRemove) {
    DeleteTree(parent, name);
    return;
  }
  RegKey handle;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, handle.put()) != ERROR_SUCCESS)
    return;
  UnregisterKeys(handle.get(), key.subkeys);
  for (const auto& entry : key.values) RegDeleteValueW(handle.get(), Wide(entry.first).c_str());
  if (key.flag == Flag::NoRemove) return;
  // A plain key goes when nothing of others is left below it.
  DWORD subkeys = 0;
  if (RegQueryInfoKeyW(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
      subkeys == 0) {
    handle.reset();
    RegDeleteKeyW(parent, name.c_str());
  }
}

void UnregisterKeys(HKEY parent, const std::vector<RegScriptKey>& keys) {
  for (const auto& key : keys) UnregisterKey(parent, key);
}

}  // namespace

HRESULT ApplyRegScript(const RegScript& script, bool registering) {
  for (const auto& root : script.roots) {
    const HKEY rootKey = RootKey(root.name);
    if (!rootKey) return E_INVALIDARG;
    if (!registering) {
      UnregisterKeys(rootKey, root.keys);
      continue;
    }
    const HRESULT hr = RegisterKeys(rootKey, root.keys);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT RunRegistrationScript(HINSTANCE module, UINT resourceId, bool registering) {
  // 1. The script text.
  HRSRC found = FindResourceExA(module, "REGISTRY", MAKEINTRESOURCEA(resourceId), kScriptLanguage);
  if (!found) found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), "REGISTRY");
  if (!found) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
  HGLOBAL loaded = LoadResource(module, found);
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!data) return HRESULT_FROM_WIN32(GetLastError());
  const std::string_view text(data, SizeofResource(module, found));
  // 2. The module's own path for %MODULE%.
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(module, path, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return HRESULT_FROM_WIN32(GetLastError());
  // 3. Parse and apply.
  std::string error;
  const auto script = ParseRegScript(text, {{"MODULE", Utf8(path)}}, error);
  if (!script) return E_UNEXPECTED;
  return ApplyRegScript(*script, registering);
}

}  // namespace kelmsgs

// The built KelMsgs.dll, loaded from the test program's directory, and its exports.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

class LibraryModule {
 public:
  LibraryModule();
  ~LibraryModule();
  LibraryModule(const LibraryModule&) = delete;
  LibraryModule& operator=(const LibraryModule&) = delete;

  bool loaded() const { return module_ != nullptr; }
  const std::wstring& path() const { return path_; }
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const;
  HRESULT CanUnloadNow() const;
  HRESULT Register() const;
  HRESULT Unregister() const;

 private:
  template <class F>
  F Export(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  std::wstring path_;
  HMODULE module_ = nullptr;
};

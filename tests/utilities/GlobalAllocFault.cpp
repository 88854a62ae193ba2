#include "utilities/GlobalAllocFault.h"

namespace {

using GlobalAllocFunction = HGLOBAL(WINAPI*)(UINT, SIZE_T);
GlobalAllocFunction g_original = nullptr;
SIZE_T g_failSize = 0;
int g_refused = 0;

HGLOBAL WINAPI FailingGlobalAlloc(UINT flags, SIZE_T size) {
  if (size == g_failSize) {
    ++g_refused;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return g_original(flags, size);
}

// The import-table entry of the program that holds the address of target.
void** ImportSlot(void* target) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!directory.VirtualAddress) return nullptr;
  for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       import->Name; ++import)
    for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
         thunk->u1.Function; ++thunk)
      if (reinterpret_cast<void*>(thunk->u1.Function) == target)
        return reinterpret_cast<void**>(&thunk->u1.Function);
  return nullptr;
}

void Write(void** slot, void* value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

GlobalAllocFault::GlobalAllocFault(SIZE_T failSize) {
  original_ =
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GlobalAlloc"));
  slot_ = ImportSlot(original_);
  if (!slot_) return;
  g_original = reinterpret_cast<GlobalAllocFunction>(original_);
  g_failSize = failSize;
  g_refused = 0;
  Write(slot_, reinterpret_cast<void*>(&FailingGlobalAlloc));
}

GlobalAllocFault::~GlobalAllocFault() {
  if (slot_) Write(slot_, original_);
  g_failSize = 0;
}

int GlobalAllocFault::refused() {
  return g_refused;
}

// standin-profile: loads a profile description into the messaging stand-in of the Wine
// prefix, for the demo and the script tests (which cannot call the stand-in's test
// controls themselves).
//   standin-profile load <json file> <store directory>
//   standin-profile generate <profile> <store directory> <folders> <messages>
//   standin-profile reset
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <class F>
F Control(HMODULE mapi, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(mapi, name)));
}

}  // namespace

int main(int argc, char** argv) {
  HMODULE mapi = LoadLibraryA("mapi32.dll");
  using Reset = HRESULT(WINAPI*)();
  using Load = HRESULT(WINAPI*)(LPCSTR, LPCSTR, LPSTR, ULONG);
  using Generate = HRESULT(WINAPI*)(LPCSTR, LPCSTR, ULONG, ULONG);
  const auto reset = mapi ? Control<Reset>(mapi, "StandinResetProfiles") : nullptr;
  const auto load = mapi ? Control<Load>(mapi, "StandinLoadFixture") : nullptr;
  const auto generate = mapi ? Control<Generate>(mapi, "StandinGenerateProfile") : nullptr;
  if (!reset || !load || !generate) {
    std::fprintf(stderr, "standin-profile: the messaging stand-in is not installed\n");
    return 2;
  }
  if (argc == 2 && std::strcmp(argv[1], "reset") == 0) return FAILED(reset()) ? 1 : 0;
  if (argc == 6 && std::strcmp(argv[1], "generate") == 0) {
    // A large profile, made as the default one, for the benchmarks.
    reset();
    const HRESULT hr = generate(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10),
                                std::strtoul(argv[5], nullptr, 10));
    if (FAILED(hr))
      std::fprintf(stderr, "standin-profile: generation failed (0x%08lX)\n",
                   static_cast<unsigned long>(hr));
    return FAILED(hr) ? 1 : 0;
  }
  if (argc != 4 || std::strcmp(argv[1], "load") != 0) {
    std::fprintf(stderr,
                 "usage: standin-profile load <json file> <store directory> | generate <profile> "
                 "<store directory> <folders> <messages> | reset\n");
    return 2;
  }
  CreateDirectoryA(argv[3], nullptr);
  reset();
  char error[1024] = {};
  const HRESULT hr = load(argv[2], argv[3], error, sizeof error);
  if (FAILED(hr)) {
    std::fprintf(stderr, "standin-profile: %s (0x%08lX)\n", error, static_cast<unsigned long>(hr));
    return 1;
  }
  return 0;
}

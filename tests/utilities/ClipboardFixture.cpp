#include "utilities/ClipboardFixture.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace clipboard {

Data Bytes(UINT format, std::string bytes) {
  return {format, std::move(bytes), {}};
}

Data Wide(std::wstring text) {
  return {CF_UNICODETEXT, {}, std::move(text)};
}

Data Bitmap() {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = 2;
  header.biHeight = 2;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(16, '\x7f');
  return {CF_DIB, std::move(bytes), {}, true};
}

void Copy(const std::vector<Data>& formats, const std::function<void()>& beforeClose) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  for (const auto& data : formats) {
    const bool wide = data.format == CF_UNICODETEXT;
    const std::size_t size =
        wide ? (data.text.size() + 1) * sizeof(wchar_t) : data.bytes.size() + (data.raw ? 0 : 1);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!memory) continue;
    void* target = GlobalLock(memory);
    if (wide)
      std::memcpy(target, data.text.c_str(), size);
    else
      std::memcpy(target, data.bytes.data(), data.bytes.size());
    GlobalUnlock(memory);
    if (!SetClipboardData(data.format, memory)) GlobalFree(memory);
  }
  if (beforeClose) beforeClose();
  CloseClipboard();
}

std::vector<UINT> Formats() {
  std::vector<UINT> formats;
  if (!OpenClipboard(nullptr)) return formats;
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) formats.push_back(f);
  CloseClipboard();
  return formats;
}

bool Has(UINT format) {
  for (UINT f : Formats())
    if (f == format) return true;
  return false;
}

std::string BytesOf(UINT format) {
  std::string bytes = "<missing>";
  if (!OpenClipboard(nullptr)) return bytes;
  if (HANDLE handle = GetClipboardData(format)) {
    const char* data = static_cast<const char*>(GlobalLock(handle));
    bytes.assign(data, strnlen(data, GlobalSize(handle)));
    GlobalUnlock(handle);
  }
  CloseClipboard();
  return bytes;
}

std::wstring TextOf(UINT format) {
  std::wstring text = L"<missing>";
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE handle = GetClipboardData(format)) {
    const wchar_t* data = static_cast<const wchar_t*>(GlobalLock(handle));
    text.assign(data, wcsnlen(data, GlobalSize(handle) / sizeof(wchar_t)));
    GlobalUnlock(handle);
  }
  CloseClipboard();
  return text;
}

std::string CfHtml(const std::string& before, const std::string& fragment,
                   const std::string& after) {
  const char* format =
      "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\n"
      "EndFragment:%010zu\r\n";
  char header[256];
  const int headerLength = std::snprintf(header, sizeof header, format, std::size_t{0},
                                         std::size_t{0}, std::size_t{0}, std::size_t{0});
  const std::string open = "<!--StartFragment-->", close = "<!--EndFragment-->";
  const std::size_t startHtml = static_cast<std::size_t>(headerLength);
  const std::size_t startFragment = startHtml + before.size() + open.size();
  const std::size_t endFragment = startFragment + fragment.size();
  const std::size_t endHtml = endFragment + close.size() + after.size();
  std::snprintf(header, sizeof header, format, startHtml, endHtml, startFragment, endFragment);
  return header + before + open + fragment + close + after;
}

long long HeaderOffset(const std::string& cfHtml, const std::string& key) {
  const std::size_t at = cfHtml.find(key + ":");
  if (at == std::string::npos) return -1;
  return std::atoll(cfHtml.c_str() + at + key.size() + 1);
}

std::string Between(const std::string& cfHtml, const char* startKey, const char* endKey) {
  const long long start = HeaderOffset(cfHtml, startKey), end = HeaderOffset(cfHtml, endKey);
  if (start < 0 || end < start || static_cast<std::size_t>(end) > cfHtml.size())
    return "<offsets out of the text>";
  return cfHtml.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

int CountEntries(const std::string& path, const std::string& operation,
                 const std::string& message) {
  int count = 0;
  std::ifstream file(path, std::ios::binary);
  for (std::string line; std::getline(file, line);) {
    // level and time, class, operation, message, source position
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() >= 4 && fields[0].find("CQMXClipboardMonitor") != std::string::npos &&
        fields[1] == operation && fields[2] == message)
      ++count;
  }
  return count;
}

TestViewer::TestViewer() {
  static const ATOM atom = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &TestViewer::Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KelMsgsTestViewer";
    return RegisterClassA(&windowClass);
  }();
  window_ = CreateWindowExA(0, MAKEINTATOM(atom), "test viewer", WS_OVERLAPPED, 0, 0, 10, 10,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TestViewer::~TestViewer() {
  Leave();
  DestroyWindow(window_);
}

void TestViewer::Join() {
  joining_ = true;
  next_ = SetClipboardViewer(window_);
  joining_ = false;
  joined_ = true;
}

void TestViewer::Leave() {
  if (joined_) ChangeClipboardChain(window_, next_);
  joined_ = false;
  next_ = nullptr;
}

LRESULT CALLBACK TestViewer::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TestViewer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && message == WM_DRAWCLIPBOARD) {
    if (!self->joining_) self->seen_.push_back(Formats());
    if (self->next_) SendMessageA(self->next_, message, wParam, lParam);
    return 0;
  }
  if (self && message == WM_CHANGECBCHAIN) {
    if (reinterpret_cast<HWND>(wParam) == self->next_)
      self->next_ = reinterpret_cast<HWND>(lParam);
    else if (self->next_)
      SendMessageA(self->next_, message, wParam, lParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace clipboard

// What the clipboard monitor tests share: putting formats on the real clipboard, reading
// them back, the monitor's log, and a second viewer window that records what the chain
// passes to it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace clipboard {

// One format to copy: 8-bit data (with a terminating zero added), UTF-16 text, or raw bytes.
struct Data {
  UINT format;
  std::string bytes;
  std::wstring text;
  bool raw = false;  // no terminating zero (a bitmap)
};

Data Bytes(UINT format, std::string bytes);
Data Wide(std::wstring text);
// A device-independent bitmap of 2 x 2 pixels.
Data Bitmap();

// Replaces the clipboard's content, as a program copying does; beforeClose runs with the
// formats put and the clipboard still open.
void Copy(const std::vector<Data>& formats, const std::function<void()>& beforeClose = {});
std::vector<UINT> Formats();
bool Has(UINT format);
// The bytes of an 8-bit format up to its first zero; "<missing>" when it is not there.
std::string BytesOf(UINT format);
std::wstring TextOf(UINT format);

// A clipboard HTML format with its description header: offsets of 10 digits that frame
// the HTML and the fragment.
std::string CfHtml(const std::string& before, const std::string& fragment,
                   const std::string& after);
// An offset of the description header by key; -1 when it is missing.
long long HeaderOffset(const std::string& cfHtml, const std::string& key);
// The bytes between two offsets of the header.
std::string Between(const std::string& cfHtml, const char* startKey, const char* endKey);

// The entries of the monitor's trace log with that operation and message.
int CountEntries(const std::string& path, const std::string& operation, const std::string& message);

// A hidden window in the clipboard viewer chain that keeps the chain as documented and
// records each change message with the formats on the clipboard at that moment.
class TestViewer {
 public:
  TestViewer();
  ~TestViewer();
  TestViewer(const TestViewer&) = delete;
  TestViewer& operator=(const TestViewer&) = delete;

  void Join();
  void Leave();
  HWND window() const { return window_; }
  HWND next() const { return next_; }
  int changes() const { return static_cast<int>(seen_.size()); }
  const std::vector<std::vector<UINT>>& seen() const { return seen_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_ = nullptr;
  HWND next_ = nullptr;
  bool joined_ = false;
  bool joining_ = false;
  std::vector<std::vector<UINT>> seen_;
};

}  // namespace clipboard

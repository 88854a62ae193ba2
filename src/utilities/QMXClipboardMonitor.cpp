#include "utilities/QMXClipboardMonitor.h"

#include "utilities/ClipboardFormatChoice.h"
#include "utilities/ClipboardViewer.h"
#include "utilities/HighlightSpans.h"
#include "utilities/OpenedClipboard.h"

namespace kelmsgs {

namespace {

// The registered name of a format, else the standard name of its identifier.
std::string FormatName(UINT format) {
  char name[260] = {};
  const int length = GetClipboardFormatNameA(format, name, sizeof name);
  if (length > 0) return std::string(name, static_cast<std::size_t>(length));
  return std::string(StandardClipboardFormatName(format));
}

}  // namespace

CQMXClipboardMonitor::CQMXClipboardMonitor() {
  auto& state = ViewerState();
  state.active = false;
  state.current = this;
  state.window = nullptr;
}

CQMXClipboardMonitor::~CQMXClipboardMonitor() {
  // The viewer window must never call a destroyed object.
  auto& state = ViewerState();
  if (state.current == this) {
    Stop();
    state.current = nullptr;
  }
  if (IsViewerWindow(ownWindow_)) CloseViewerWindow(ownWindow_);
  KELMSGS_TRACE(log_, "~CQMXClipboardMonitor", "ClipboardMonitor destructed.");
}

HRESULT CQMXClipboardMonitor::StartMonitor() {
  auto& state = ViewerState();
  // 1. Reading and rewriting go on.
  state.active = true;
  // 2. The viewer window, once.
  if (state.window) return S_OK;
  // A window of this object that a newer object made the process forget leaves the chain
  // before the new one joins it.
  if (IsViewerWindow(ownWindow_)) CloseViewerWindow(ownWindow_);
  state.window = OpenViewerWindow();
  ownWindow_ = state.window;
  if (state.window) KELMSGS_TRACE(log_, "StartMonitor", "Started.");
  return S_OK;
}

HRESULT CQMXClipboardMonitor::StopMonitor() {
  Stop();
  KELMSGS_TRACE(log_, "StopMonitor", "Stopped.");
  return S_OK;
}

void CQMXClipboardMonitor::Stop() noexcept {
  auto& state = ViewerState();
  state.active = false;
  if (state.window) CloseViewerWindow(state.window);
  state.window = nullptr;
}

HRESULT CQMXClipboardMonitor::get_LogFile(BSTR* pVal) {
  return log_.get_LogFile(pVal);
}
HRESULT CQMXClipboardMonitor::put_LogFile(BSTR newVal) {
  return log_.put_LogFile(newVal);
}
HRESULT CQMXClipboardMonitor::get_LoggingEnabled(VARIANT_BOOL* pVal) {
  return log_.get_LoggingEnabled(pVal);
}
HRESULT CQMXClipboardMonitor::put_LoggingEnabled(VARIANT_BOOL newVal) {
  return log_.put_LoggingEnabled(newVal);
}

void CQMXClipboardMonitor::ReadClipboardData() {
  // 1. Only while active.
  const auto& state = ViewerState();
  if (!state.active) {
    KELMSGS_TRACE(log_, "ReadClipboardData", "Not active.");
    return;
  }
  // 2. The clipboard; one that cannot be opened is left alone.
  htmlFound_ = false;
  OpenedClipboard clipboard(state.window);
  if (!clipboard) return;
  KELMSGS_TRACE(log_, "ReadClipboardData", "Reading data...");
  formats_.clear();
  // 3. Every format in clipboard order; the chosen ones are kept, each as it was.
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    ClipboardFormat data;
    data.format = format;
    data.name = FormatName(format);
    const ClipboardData kind = ChooseClipboardData(format, data.name);
    if (kind == ClipboardData::None) continue;
    data.wide = kind == ClipboardData::Unicode;
    if (data.wide)
      data.text = ReadClipboardText(format);
    else
      data.bytes = ReadClipboardBytes(format);
    if (kind == ClipboardData::Html) {
      htmlFound_ = true;
      StripHighlightSpans(data.bytes);
    }
    formats_.push_back(std::move(data));
  }
  clipboard.Close();
  KELMSGS_TRACE(log_, "ReadClipboardData", "...finished.");
}

void CQMXClipboardMonitor::WriteClipboardData() {
  // 1. Only while active, and only when the clipboard held HTML.
  const auto& state = ViewerState();
  if (!state.active) {
    KELMSGS_TRACE(log_, "WriteClipboardData", "Not active.");
    return;
  }
  if (!htmlFound_) return;
  // 2. The clipboard.
  OpenedClipboard clipboard(state.window);
  if (!clipboard) return;
  KELMSGS_TRACE(log_, "WriteClipboardData", "Writing data...");
  // 3. Every format's memory before the clipboard is emptied: when memory runs out the
  // user's clipboard stays as it was.
  std::vector<GlobalMemory> memory;
  memory.reserve(formats_.size());
  for (const auto& data : formats_) {
    memory.push_back(ClipboardMemoryOf(data));
    if (!memory.back()) {
      KELMSGS_TRACE(log_, "WriteClipboardData", "...failed.");
      return;
    }
  }
  // 4. The kept formats replace everything; the clipboard owns the memory it took.
  EmptyClipboard();
  for (std::size_t i = 0; i < formats_.size(); ++i)
    if (SetClipboardData(formats_[i].format, memory[i].get())) memory[i].release();
  clipboard.Close();
  KELMSGS_TRACE(log_, "WriteClipboardData", "...finished.");
}

}  // namespace kelmsgs

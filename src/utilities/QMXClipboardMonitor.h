// QMXClipboardMonitor: watches the clipboard through a hidden viewer window and, whenever
// HTML is copied, puts back only the text, HTML and rich-text formats, with highlighting
// spans and line breaks removed from the HTML.
#pragma once

#include <vector>

#include "KelMsgs.h"
#include "foundation/TraceLog.h"
#include "frame/EventSourceObject.h"
#include "utilities/ClipboardMemory.h"

namespace kelmsgs {

class CQMXClipboardMonitor final
    : public EventSourceObject<CQMXClipboardMonitor, IQMXClipboardMonitor, QMXClipboardMonitor,
                               DIID__IQMXClipboardMonitorEvents> {
 public:
  // The new object becomes the one the viewer window calls; it starts inactive and
  // forgets the window of an earlier object.
  CQMXClipboardMonitor();
  ~CQMXClipboardMonitor() override;

  HRESULT STDMETHODCALLTYPE StartMonitor() override;
  HRESULT STDMETHODCALLTYPE StopMonitor() override;
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_LoggingEnabled(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LoggingEnabled(VARIANT_BOOL newVal) override;

  // Takes the kept formats off the clipboard, the HTML cleaned (viewer window only).
  void ReadClipboardData();
  // Replaces the clipboard with the kept formats when the last read met HTML.
  void WriteClipboardData();

 private:
  void Stop() noexcept;

  // The viewer window this object made: a newer object forgets it as the process's viewer
  // window, but it stays in the chain until this object stops it or is destroyed.
  HWND ownWindow_ = nullptr;
  std::vector<ClipboardFormat> formats_;
  bool htmlFound_ = false;
  TraceLog log_{"CQMXClipboardMonitor", false};
};

}  // namespace kelmsgs

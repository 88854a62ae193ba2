// QMXSession: the rich-text helpers. A character range of the client's rich-edit control
// highlighted in bold on a background, with a text colour that stands out on it; the
// control's background cleared; and the RTF text of a stored message replaced, at once by
// a placeholder and then, in the background, by the real text.
#include <richedit.h>

#include "foundation/AnsiText.h"
#include "foundation/HexId.h"
#include "session/QMXSession.h"
#include "session/RangeHighlight.h"
#include "session/RtfRewriter.h"

namespace kelmsgs {

namespace {

static_assert(sizeof(CHARFORMAT2A) == 84, "the 8-bit rich-edit character format");

constexpr wchar_t kPlaceholder[] = L"Generating...";
constexpr COLORREF kWhite = 0xFFFFFF;
// How long a logoff or the session's last release waits for its rewrites to end.
constexpr DWORD kRewriteWaitMs = 30000;

// The window of a handle passed as a 32-bit number (handles sign-extend on 64-bit Windows).
HWND WindowOf(LONG handle) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
}

// Selects a character range and reads its format.
CHARFORMAT2A SelectRange(HWND window, LONG first, LONG end) {
  CHARRANGE range{first, end};
  SendMessageA(window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2A format{};
  format.cbSize = sizeof format;
  SendMessageA(window, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return format;
}

void SetSelectionFormat(HWND window, CHARFORMAT2A& format) {
  SendMessageA(window, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

// An OLE colour as a COLORREF; one that cannot be translated counts as white.
COLORREF Translated(LONG oleColour) {
  COLORREF colour = kWhite;
  if (FAILED(OleTranslateColor(static_cast<OLE_COLOR>(oleColour), nullptr, &colour))) return kWhite;
  return colour;
}

COLORREF ContrastColour(COLORREF background) {
  return GetSysColor(ContrastTextFor(background) == ContrastText::WindowText ? COLOR_WINDOWTEXT
                                                                             : COLOR_HIGHLIGHTTEXT);
}

bool IsEmpty(BSTR s) {
  return !s || SysStringLen(s) == 0;
}

}  // namespace

// ForeColor is accepted for the interface's sake: the text colour always follows from the
// background, so that the highlighted text stays readable.
HRESULT CQMXSession::FormatRange(LONG hWnd, LONG SelStart, LONG SelLength, LONG /*ForeColor*/,
                                 LONG BackColor) {
  const HWND window = WindowOf(hWnd);
  // 1-2. The range selected (its end held within 32 bits) and its format read.
  CHARFORMAT2A format = SelectRange(window, SelStart, SelectionEnd(SelStart, SelLength));
  // 3. Bold, on the background, in the colour that stands out on it.
  format.dwMask = CFM_BOLD | CFM_COLOR | CFM_BACKCOLOR;
  format.dwEffects = CFE_BOLD;
  format.crBackColor = Translated(BackColor);
  format.crTextColor = ContrastColour(format.crBackColor);
  // 4. Written back; the range stays selected.
  SetSelectionFormat(window, format);
  return S_OK;
}

// Only the background changes: bold and text colour stay as they are.
HRESULT CQMXSession::ClearRTF(LONG hWnd) {
  const HWND window = WindowOf(hWnd);
  // 1-2. The whole text selected and its format read.
  CHARFORMAT2A format = SelectRange(window, 0, -1);
  // 3. White behind all of it: white itself, not the control's automatic background.
  format.dwMask = CFM_BACKCOLOR;
  format.dwEffects &= ~CFE_AUTOBACKCOLOR;
  format.crBackColor = kWhite;
  SetSelectionFormat(window, format);
  return S_OK;
}

HRESULT CQMXSession::FormatMessage(BSTR EntryId, BSTR StoreID, BSTR TextRTF) {
  // 1. All three strings.
  if (IsEmpty(EntryId) || IsEmpty(StoreID) || IsEmpty(TextRTF)) return E_INVALIDARG;
  // 2. The message, through the session's own Message.
  ComPtr<IQMXMessage> message;
  if (FAILED(get_Message(EntryId, StoreID, message.put())) || !message) return E_FAIL;
  RtfRewriter::Job job;
  if (FAILED(EntryIdFromBstr(EntryId, job.entry)) || FAILED(EntryIdFromBstr(StoreID, job.store)))
    return E_FAIL;
  // 3. The text it has now, kept to fall back on; then the placeholder, saved at once.
  Bstr before;
  if (SUCCEEDED(message->get_TextRTF(before.put()))) job.previous = AnsiFromBstr(before.get());
  const Bstr placeholder(SysAllocString(kPlaceholder));
  message->put_TextRTF(placeholder.get());
  message->Save();
  // 4. The real text, by the session's writer, after the rewrites queued before it. When
  //    that cannot start, the message gets its text back.
  job.session = session_;
  job.text = AnsiFromBstr(TextRTF);
  if (!rewriter_)
    rewriter_ = RtfRewriter::Make(
        [this](const std::string& text) { SESSION_TRACE("FormatMessage", text); });
  if (!rewriter_ || FAILED(rewriter_->Queue(std::move(job)))) {
    if (before) message->put_TextRTF(before.get());
    message->Save();
    return E_FAIL;
  }
  // 5. The caller does not wait.
  return S_OK;
}

void CQMXSession::FinishRewrites(const char* operation) {
  if (rewriter_ && !rewriter_->Finish(kRewriteWaitMs))
    SESSION_TRACE(operation, "Message rewrites still running.");
}

}  // namespace kelmsgs

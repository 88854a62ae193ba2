// FormatRange and ClearRTF on a real rich-edit control made by the test: what the control
// reports afterwards, character by character, for the highlighted range and the text
// around it.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "foundation/ComPtr.h"
#include "session/QMXSession.h"

using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;

namespace {

constexpr char kText[] = "The quick brown fox jumps";
constexpr LONG kLength = sizeof kText - 1;
constexpr LONG kRed = 0x0000FF;

// The format of one character as the control reports it.
struct CharFormat {
  bool bold = false;
  bool autoColour = false;
  COLORREF text = 0;
  bool autoBack = false;
  COLORREF back = 0;
  bool operator==(const CharFormat&) const = default;
};

void PrintTo(const CharFormat& f, std::ostream* out) {
  *out << (f.bold ? "bold" : "plain") << " text " << std::hex << (f.autoColour ? "auto" : "")
       << f.text << " back " << (f.autoBack ? "auto" : "") << f.back;
}

class RichEditTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadLibraryA("riched20.dll"));
    window_ = CreateWindowExA(0, "RichEdit20A", "", WS_POPUP | ES_MULTILINE, 0, 0, 300, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window_);
    SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kText));
    // The control's default font is the bold system font: the text starts plain.
    CHARFORMAT2A plain{};
    plain.cbSize = sizeof plain;
    plain.dwMask = CFM_BOLD;
    SendMessageA(window_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&plain));
    ASSERT_EQ(CQMXSession::Create(session_), S_OK);
    before_ = Formats();
    ASSERT_FALSE(before_[0].bold);
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
  }

  LONG Handle() const { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window_)); }

  CharFormat FormatAt(LONG index) const {
    CHARRANGE range{index, index + 1};
    SendMessageA(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2A f{};
    f.cbSize = sizeof f;
    SendMessageA(window_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    return {(f.dwEffects & CFE_BOLD) != 0, (f.dwEffects & CFE_AUTOCOLOR) != 0, f.crTextColor,
            (f.dwEffects & CFE_AUTOBACKCOLOR) != 0, f.crBackColor};
  }
  std::vector<CharFormat> Formats() const {
    std::vector<CharFormat> all;
    for (LONG i = 0; i < kLength; ++i) all.push_back(FormatAt(i));
    return all;
  }
  CHARRANGE Selection() const {
    CHARRANGE range{};
    SendMessageA(window_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
  }

  // Characters [first, end) are bold in `text` on `back`; every other one is as it was.
  void ExpectHighlight(LONG first, LONG end, COLORREF text, COLORREF back) const {
    const std::vector<CharFormat> now = Formats();
    const CharFormat highlighted{true, false, text, false, back};
    for (LONG i = 0; i < kLength; ++i) {
      if (i >= first && i < end)
        EXPECT_EQ(now[i], highlighted) << "character " << i;
      else
        EXPECT_EQ(now[i], before_[i]) << "character " << i;
    }
  }

  HWND window_ = nullptr;
  ComPtr<CQMXSession> session_;
  std::vector<CharFormat> before_;
};

TEST_F(RichEditTest, LightBackgroundTakesTheWindowTextColourAndTheRangeStaysSelected) {
  // A red text colour asked for is ignored: the contrast rule decides.
  ASSERT_EQ(session_->FormatRange(Handle(), 4, 5, kRed, 0xFFFFFF), S_OK);
  const CHARRANGE selected = Selection();
  EXPECT_EQ(selected.cpMin, 4);
  EXPECT_EQ(selected.cpMax, 9);
  ASSERT_NE(GetSysColor(COLOR_WINDOWTEXT), static_cast<COLORREF>(kRed));
  ExpectHighlight(4, 9, GetSysColor(COLOR_WINDOWTEXT), 0xFFFFFF);
}

TEST_F(RichEditTest, DarkBackgroundTakesTheHighlightTextColour) {
  ASSERT_NE(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHTTEXT));
  ASSERT_EQ(session_->FormatRange(Handle(), 0, 3, kRed, 0x000000), S_OK);
  ExpectHighlight(0, 3, GetSysColor(COLOR_HIGHLIGHTTEXT), 0x000000);
}

TEST_F(RichEditTest, BrightnessOf170CountsAsLight) {
  ASSERT_EQ(session_->FormatRange(Handle(), 10, 5, 0, 0xAAAAAA), S_OK);
  ASSERT_EQ(session_->FormatRange(Handle(), 16, 3, 0, 0xA9A9A9), S_OK);
  const std::vector<CharFormat> now = Formats();
  EXPECT_EQ(now[10].text, GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(now[14].back, 0xAAAAAAu);
  EXPECT_EQ(now[16].text, GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(now[18].back, 0xA9A9A9u);
}

TEST_F(RichEditTest, OleColoursAreTranslatedAndUntranslatableOnesCountAsWhite) {
  // A system colour (COLOR_BTNFACE) becomes the colour it stands for.
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  ASSERT_EQ(session_->FormatRange(Handle(), 2, 4, 0, static_cast<LONG>(0x8000000F)), S_OK);
  const CharFormat translated = FormatAt(3);
  EXPECT_EQ(translated.back, face);
  const unsigned brightness = ((face & 0xFF) + ((face >> 8) & 0xFF) + ((face >> 16) & 0xFF)) / 3;
  EXPECT_EQ(translated.text,
            GetSysColor(brightness >= 170 ? COLOR_WINDOWTEXT : COLOR_HIGHLIGHTTEXT));
  // A colour of an unknown kind (high byte 0x05) cannot be translated.
  ASSERT_EQ(session_->FormatRange(Handle(), 12, 4, 0, 0x05000000), S_OK);
  const CharFormat white = FormatAt(13);
  EXPECT_EQ(white.back, 0xFFFFFFu);
  EXPECT_EQ(white.text, GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(RichEditTest, LengthBeyondTheIntegerRangeReachesTheEndOfTheText) {
  ASSERT_EQ(session_->FormatRange(Handle(), 20, std::numeric_limits<LONG>::max(), 0, 0x000000),
            S_OK);
  ExpectHighlight(20, kLength, GetSysColor(COLOR_HIGHLIGHTTEXT), 0x000000);
}

TEST_F(RichEditTest, ClearRtfWhitensTheBackgroundAndKeepsBoldAndColour) {
  ASSERT_EQ(session_->FormatRange(Handle(), 4, 5, 0, 0x000000), S_OK);
  ASSERT_EQ(session_->ClearRTF(Handle()), S_OK);
  const std::vector<CharFormat> now = Formats();
  for (LONG i = 0; i < kLength; ++i) {
    const bool inRange = i >= 4 && i < 9;
    EXPECT_EQ(now[i].bold, inRange) << "character " << i;
    EXPECT_FALSE(now[i].autoBack) << "character " << i;
    EXPECT_EQ(now[i].back, 0xFFFFFFu) << "character " << i;
    if (inRange)
      EXPECT_EQ(now[i].text, GetSysColor(COLOR_HIGHLIGHTTEXT)) << "character " << i;
    else
      EXPECT_EQ(now[i].text, before_[i].text) << "character " << i;
  }
}

TEST_F(RichEditTest, NoWindowStillAnswersOk) {
  EXPECT_EQ(session_->FormatRange(0, 0, 5, 0, 0xFFFFFF), S_OK);
  EXPECT_EQ(session_->ClearRTF(0), S_OK);
  EXPECT_EQ(Formats(), before_);
}

}  // namespace

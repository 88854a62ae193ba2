#include "foundation/DateConvert.h"

#include <string>

#include "foundation/BstrText.h"

namespace kelmsgs {

Bstr DateToText(DATE date) {
  // 1. The date as a system time; a date out of range reads as an empty text.
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(date, &st)) return BstrFromWide(L"");
  // 2-3. Short date and time of the system locale, without user overrides.
  constexpr LCID kLocale = LOCALE_SYSTEM_DEFAULT;
  constexpr DWORD kFlags = LOCALE_NOUSEROVERRIDE;
  char dateText[20] = {};
  char timeText[20] = {};
  GetDateFormatA(kLocale, kFlags, &st, nullptr, dateText, sizeof dateText);
  GetTimeFormatA(kLocale, kFlags, &st, nullptr, timeText, sizeof timeText);
  // 4. Widened date, one blank, widened time.
  const std::string joined = std::string(dateText) + " " + timeText;
  return BstrFromNarrow(joined);
}

DATE FileTimeToDate(const FILETIME& time) {
  SYSTEMTIME st;
  DATE date = 0.0;
  if (!FileTimeToSystemTime(&time, &st) || !SystemTimeToVariantTime(&st, &date)) return 0.0;
  return date;
}

}  // namespace kelmsgs

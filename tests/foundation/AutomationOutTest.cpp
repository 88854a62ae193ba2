// Strings handed to automation out-parameters: copies, no string, and strings that cannot
// be made, which are reported rather than handed out as no string.
#include "foundation/AutomationOut.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/BstrText.h"
#include "support/AllocationFault.h"
#include "support/BstrText.h"

using kelmsgs::Bstr;
using kelmsgs::NarrowStringOut;
using kelmsgs::StringOut;

namespace {

// A held string comes out as a copy of its own (zero characters included); none as none.
TEST(StringOut, CopiesAndNone) {
  const std::wstring value(L"a\0b", 3);
  const Bstr held(SysAllocStringLen(value.data(), 3));
  BSTR out = nullptr;
  ASSERT_EQ(StringOut(held, &out), S_OK);
  const Bstr copy(out);
  EXPECT_NE(out, held.get());
  EXPECT_EQ(Str(out), value);
  out = reinterpret_cast<BSTR>(1);
  ASSERT_EQ(StringOut(Bstr(), &out), S_OK);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(StringOut(held, nullptr), E_POINTER);
}

// A string too long for a BSTR, or one the allocator refuses, answers E_OUTOFMEMORY and
// leaves the out-parameter as it was.
TEST(StringOut, StringsThatCannotBeMade) {
  BSTR out = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(StringOut(L"x", kelmsgs::kMaxBstrLength + 1, &out), E_OUTOFMEMORY);
  EXPECT_EQ(out, reinterpret_cast<BSTR>(1));

  const std::wstring big(70000, L'y');
  const Bstr held(SysAllocStringLen(big.data(), static_cast<UINT>(big.size())));
  const std::string narrow(70000, 'z');
  {
    AllocationFault fault(100000);
    ASSERT_TRUE(fault.registered());
    EXPECT_EQ(StringOut(held, &out), E_OUTOFMEMORY);
    EXPECT_EQ(StringOut(big, &out), E_OUTOFMEMORY);
    EXPECT_EQ(NarrowStringOut(narrow.c_str(), &out), E_OUTOFMEMORY);
    EXPECT_FALSE(kelmsgs::BstrCopy(held.get()));
    EXPECT_EQ(fault.refused(), 4u);
  }
  EXPECT_EQ(out, reinterpret_cast<BSTR>(1));
  ASSERT_EQ(StringOut(held, &out), S_OK);
  const Bstr made(out);
  EXPECT_EQ(SysStringLen(out), big.size());
}

// 8-bit text is widened byte for byte: 0xC4 is U+00C4 whatever the code page.
TEST(StringOut, NarrowTextWidenedByteForByte) {
  BSTR out = nullptr;
  ASSERT_EQ(NarrowStringOut("\xC4rger", &out), S_OK);
  const Bstr owned(out);
  EXPECT_EQ(Str(out), L"\u00C4rger");
  ASSERT_EQ(NarrowStringOut(nullptr, &out), S_OK);
  EXPECT_EQ(out, nullptr);
}

}  // namespace

// QMXMessage's user properties (named properties of the public string set) for every
// kind: what put stores and accepts, and what get hands back, including kinds whose type
// differs from the stored value's.
#include <gtest/gtest.h>

#include <cstring>

#include "support/MailboxTest.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::Variant;

namespace {

const char* const kFolders = R"([
           {"name": "Alpha", "class": "IPF.Note", "messages": [{"subject": "tagged"}]}])";

// A VARIANT as a caller may pass it: its value bytes still hold whatever was there.
struct DirtyVariant : VARIANT {
  DirtyVariant() {
    std::memset(static_cast<VARIANT*>(this), 0xAB, sizeof(VARIANT));
    V_VT(this) = VT_EMPTY;
  }
  ~DirtyVariant() { VariantClear(this); }
  DirtyVariant(const DirtyVariant&) = delete;
  DirtyVariant& operator=(const DirtyVariant&) = delete;
  // Whether the value bytes (everything after the type and reserved words) are all zero.
  bool ValueIsZero() const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&V_UI8(this));
    for (std::size_t i = 0; i < sizeof(ULONGLONG); ++i)
      if (bytes[i] != 0) return false;
    return true;
  }
};

class UserPropertyTest : public MailboxTest {
 protected:
  UserPropertyTest() : MailboxTest(kFolders) {}
  void SetUp() override {
    MailboxTest::SetUp();
    if (HasFatalFailure()) return;
    message_ = MessageAt(alpha_.get(), 0);
    ASSERT_TRUE(message_);
  }
  void TearDown() override {
    message_.reset();
    MailboxTest::TearDown();
  }
  // The same message, opened again after the changes were saved.
  ComPtr<IQMXMessage> Saved() {
    EXPECT_EQ(message_->Save(), S_OK);
    return MessageAt(alpha_.get(), 0);
  }

  ComPtr<IQMXMessage> message_;
};

// Long, double and string values come back as stored; the other kinds come back as their
// VARIANT type without a value.
TEST_F(UserPropertyTest, EveryKindStoredAndReadBack) {
  struct Case {
    const wchar_t* name;
    PropTypeConstants kind;
    VARTYPE vt;
    HRESULT put;
  };
  const Case cases[] = {
      {L"Flag", ptBoolean, VT_BOOL, S_OK}, {L"Money", ptCurrency, VT_CY, S_OK},
      {L"Day", ptDate, VT_DATE, S_OK},     {L"Ratio", ptDouble, VT_R8, S_OK},
      {L"Small", ptShort, VT_I2, S_OK},    {L"Ticket", ptLong, VT_I4, S_OK},
      {L"Nothing", ptNull, VT_NULL, S_OK}, {L"Part", ptFloat, VT_R4, S_OK},
      {L"Label", ptString, VT_BSTR, S_OK},
  };
  for (const Case& c : cases) {
    Variant value;
    V_VT(&value) = c.vt;
    switch (c.vt) {
      case VT_BOOL:
        V_BOOL(&value) = VARIANT_TRUE;
        break;
      case VT_CY:
        V_CY(&value).int64 = 12345;
        break;
      case VT_DATE:
        V_DATE(&value) = 45000.25;
        break;
      case VT_R8:
        V_R8(&value) = 2.5;
        break;
      case VT_I2:
        V_I2(&value) = 7;
        break;
      case VT_I4:
        V_I4(&value) = 4711;
        break;
      case VT_R4:
        V_R4(&value) = 0.75f;
        break;
      case VT_BSTR:
        V_BSTR(&value) = B(L"tag value").release();
        break;
      default:
        break;
    }
    EXPECT_EQ(message_->put_UserProperty(B(c.name).get(), c.kind, value), c.put) << c.kind;
  }
  ComPtr<IQMXMessage> again = Saved();
  for (const Case& c : cases) {
    DirtyVariant read;
    ASSERT_EQ(again->get_UserProperty(B(c.name).get(), c.kind, &read), S_OK) << c.kind;
    EXPECT_EQ(V_VT(&read), c.vt) << c.kind;
    switch (c.kind) {
      case ptLong:
        EXPECT_EQ(V_I4(&read), 4711);
        break;
      case ptDouble:
        EXPECT_EQ(V_R8(&read), 2.5);
        break;
      case ptString:
        EXPECT_EQ(Str(V_BSTR(&read)), L"tag value");
        break;
      default:
        EXPECT_TRUE(read.ValueIsZero()) << c.kind;
        break;
    }
  }
}

// A kind whose VARIANT type is not the stored value's gets the kind's type and no value:
// a long stored under the name never shows through an array, empty or object VARIANT.
TEST_F(UserPropertyTest, KindOtherThanTheStoredTypeGetsNoValue) {
  Variant number;
  V_VT(&number) = VT_I4;
  V_I4(&number) = 4711;
  ASSERT_EQ(message_->put_UserProperty(B(L"Ticket").get(), ptLong, number), S_OK);
  ComPtr<IQMXMessage> again = Saved();
  const struct {
    PropTypeConstants kind;
    VARTYPE vt;
  } cases[] = {{ptArray, VT_ARRAY},
               {ptUnspecified, VT_EMPTY},
               {ptObject, VT_UNKNOWN},
               {ptBinary, VT_BLOB},
               {ptString, VT_BSTR},
               {ptDate, VT_DATE},
               {static_cast<PropTypeConstants>(13), VT_EMPTY}};
  for (const auto& c : cases) {
    DirtyVariant read;
    ASSERT_EQ(again->get_UserProperty(B(L"Ticket").get(), c.kind, &read), S_OK) << c.kind;
    EXPECT_EQ(V_VT(&read), c.vt) << c.kind;
    EXPECT_TRUE(read.ValueIsZero()) << c.kind;
  }
}

// Names that are missing, values that are empty or of another type, and kinds without a
// conversion are refused before anything is stored.
TEST_F(UserPropertyTest, RefusedPuts) {
  Variant number, shortValue, empty, emptyText;
  V_VT(&number) = VT_I4;
  V_I4(&number) = 1;
  V_VT(&shortValue) = VT_I2;
  V_VT(&emptyText) = VT_BSTR;
  V_BSTR(&emptyText) = B(L"").release();
  EXPECT_EQ(message_->put_UserProperty(B(L"Ticket").get(), ptLong, shortValue), E_INVALIDARG);
  EXPECT_EQ(message_->put_UserProperty(B(L"Ticket").get(), ptLong, empty), E_INVALIDARG);
  EXPECT_EQ(message_->put_UserProperty(B(L"Label").get(), ptString, emptyText), E_INVALIDARG);
  EXPECT_EQ(message_->put_UserProperty(B(L"").get(), ptLong, number), E_INVALIDARG);
  EXPECT_EQ(message_->put_UserProperty(nullptr, ptLong, number), E_INVALIDARG);
  for (int kind : {0, 1, 7, 13})
    EXPECT_EQ(
        message_->put_UserProperty(B(L"X").get(), static_cast<PropTypeConstants>(kind), number),
        E_INVALIDARG)
        << kind;
  Variant read;
  EXPECT_EQ(message_->get_UserProperty(B(L"").get(), ptLong, &read), E_INVALIDARG);
  ASSERT_EQ(Saved()->get_UserProperty(B(L"Ticket").get(), ptLong, &read), S_OK);
  EXPECT_EQ(V_VT(&read), VT_I4);
  EXPECT_EQ(V_I4(&read), 0);
}

}  // namespace

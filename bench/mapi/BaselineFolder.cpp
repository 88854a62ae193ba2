#include "BaselineFolder.h"

#include "foundation/AutomationOut.h"
#include "foundation/BstrText.h"
#include "foundation/Owned.h"

namespace {

class RowsFolder final : public BaselineFolder {
 public:
  RowsFolder(const SRowSet* rows, const wchar_t* held) : rows_(rows), held_(SysAllocString(held)) {}

  LONG MessageCount() const override { return static_cast<LONG>(rows_->cRows); }

  HRESULT Subject(LONG index, VARIANT* out) const override {
    if (index < 0 || static_cast<ULONG>(index) >= rows_->cRows) return E_INVALIDARG;
    const SPropValue& value = rows_->aRow[index].lpProps[0];
    BSTR made = nullptr;
    const HRESULT hr = kelmsgs::NarrowStringOut(
        PROP_TYPE(value.ulPropTag) == PT_STRING8 ? value.Value.lpszA : nullptr, &made);
    if (FAILED(hr)) return hr;
    VariantInit(out);
    V_VT(out) = VT_BSTR;
    V_BSTR(out) = made;
    return S_OK;
  }

  HRESULT HeldSubject(BSTR* out) const override { return kelmsgs::StringOut(held_, out); }

 private:
  const SRowSet* rows_;
  kelmsgs::Bstr held_;
};

}  // namespace

std::unique_ptr<BaselineFolder> MakeBaselineFolder(const SRowSet* rows, const wchar_t* held) {
  return std::make_unique<RowsFolder>(rows, held);
}

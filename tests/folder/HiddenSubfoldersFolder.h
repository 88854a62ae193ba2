// A MAPI folder as some stores show it: it reports subfolders (PR_SUBFOLDERS) while its
// hierarchy table lists none of them, as when every subfolder is hidden. Everything else
// is the wrapped folder's own.
#pragma once

#include <mapix.h>

#include <atomic>

#include "foundation/ComPtr.h"

class HiddenSubfoldersFolder final : public IMAPIFolder {
 public:
  explicit HiddenSubfoldersFolder(IMAPIFolder* inner) : inner_(inner) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IMAPIFolder) {
      *out = static_cast<IMAPIFolder*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // The folder's own values, with PR_SUBFOLDERS true.
  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                        LPSPropValue* values) override {
    const HRESULT hr = inner_->GetProps(tags, flags, count, values);
    if (FAILED(hr) || !*values) return hr;
    for (ULONG i = 0; i < *count; ++i) {
      if (PROP_ID((*values)[i].ulPropTag) != PROP_ID(PR_SUBFOLDERS)) continue;
      (*values)[i].ulPropTag = PR_SUBFOLDERS;
      (*values)[i].Value.b = TRUE;
    }
    return hr;
  }

  STDMETHODIMP GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override {
    return inner_->GetLastError(hResult, ulFlags, lppMAPIError);
  }
  STDMETHODIMP SaveChanges(ULONG ulFlags) override { return inner_->SaveChanges(ulFlags); }
  STDMETHODIMP GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) override {
    return inner_->GetPropList(ulFlags, lppPropTagArray);
  }
  STDMETHODIMP OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                            LPUNKNOWN* lppUnk) override {
    return inner_->OpenProperty(ulPropTag, lpiid, ulInterfaceOptions, ulFlags, lppUnk);
  }
  STDMETHODIMP SetProps(ULONG cValues, LPSPropValue lpPropArray,
                        LPSPropProblemArray* lppProblems) override {
    return inner_->SetProps(cValues, lpPropArray, lppProblems);
  }
  STDMETHODIMP DeleteProps(LPSPropTagArray lpPropTagArray,
                           LPSPropProblemArray* lppProblems) override {
    return inner_->DeleteProps(lpPropTagArray, lppProblems);
  }
  STDMETHODIMP CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps,
                      ULONG ulUIParam, LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                      LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems) override {
    return inner_->CopyTo(ciidExclude, rgiidExclude, lpExcludeProps, ulUIParam, lpProgress,
                          lpInterface, lpDestObj, ulFlags, lppProblems);
  }
  STDMETHODIMP CopyProps(LPSPropTagArray lpIncludeProps, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                         LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                         LPSPropProblemArray* lppProblems) override {
    return inner_->CopyProps(lpIncludeProps, ulUIParam, lpProgress, lpInterface, lpDestObj, ulFlags,
                             lppProblems);
  }
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                               ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) override {
    return inner_->GetNamesFromIDs(lppPropTags, lpPropSetGuid, ulFlags, lpcPropNames,
                                   lpppPropNames);
  }
  STDMETHODIMP GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                               LPSPropTagArray* lppPropTags) override {
    return inner_->GetIDsFromNames(cPropNames, lppPropNames, ulFlags, lppPropTags);
  }
  STDMETHODIMP GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
    return inner_->GetContentsTable(ulFlags, lppTable);
  }
  STDMETHODIMP GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
    return inner_->GetHierarchyTable(ulFlags, lppTable);
  }
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                         ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
    return inner_->OpenEntry(cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
  }
  STDMETHODIMP SetSearchCriteria(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList,
                                 ULONG ulSearchFlags) override {
    return inner_->SetSearchCriteria(lpRestriction, lpContainerList, ulSearchFlags);
  }
  STDMETHODIMP GetSearchCriteria(ULONG ulFlags, LPSRestriction* lppRestriction,
                                 LPENTRYLIST* lppContainerList, ULONG* lpulSearchState) override {
    return inner_->GetSearchCriteria(ulFlags, lppRestriction, lppContainerList, lpulSearchState);
  }
  STDMETHODIMP CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) override {
    return inner_->CreateMessage(lpInterface, ulFlags, lppMessage);
  }
  STDMETHODIMP CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder,
                            ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) override {
    return inner_->CopyMessages(lpMsgList, lpInterface, lpDestFolder, ulUIParam, lpProgress,
                                ulFlags);
  }
  STDMETHODIMP DeleteMessages(LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                              ULONG ulFlags) override {
    return inner_->DeleteMessages(lpMsgList, ulUIParam, lpProgress, ulFlags);
  }
  STDMETHODIMP CreateFolder(ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment,
                            LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) override {
    return inner_->CreateFolder(ulFolderType, lpszFolderName, lpszFolderComment, lpInterface,
                                ulFlags, lppFolder);
  }
  STDMETHODIMP CopyFolder(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                          LPVOID lpDestFolder, LPTSTR lpszNewFolderName, ULONG ulUIParam,
                          LPMAPIPROGRESS lpProgress, ULONG ulFlags) override {
    return inner_->CopyFolder(cbEntryID, lpEntryID, lpInterface, lpDestFolder, lpszNewFolderName,
                              ulUIParam, lpProgress, ulFlags);
  }
  STDMETHODIMP DeleteFolder(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulUIParam,
                            LPMAPIPROGRESS lpProgress, ULONG ulFlags) override {
    return inner_->DeleteFolder(cbEntryID, lpEntryID, ulUIParam, lpProgress, ulFlags);
  }
  STDMETHODIMP SetReadFlags(LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                            ULONG ulFlags) override {
    return inner_->SetReadFlags(lpMsgList, ulUIParam, lpProgress, ulFlags);
  }
  STDMETHODIMP GetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags,
                                ULONG* lpulMessageStatus) override {
    return inner_->GetMessageStatus(cbEntryID, lpEntryID, ulFlags, lpulMessageStatus);
  }
  STDMETHODIMP SetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus,
                                ULONG ulNewStatusMask, ULONG* lpulOldStatus) override {
    return inner_->SetMessageStatus(cbEntryID, lpEntryID, ulNewStatus, ulNewStatusMask,
                                    lpulOldStatus);
  }
  STDMETHODIMP SaveContentsSort(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) override {
    return inner_->SaveContentsSort(lpSortCriteria, ulFlags);
  }
  STDMETHODIMP EmptyFolder(ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) override {
    return inner_->EmptyFolder(ulUIParam, lpProgress, ulFlags);
  }

 private:
  ~HiddenSubfoldersFolder() = default;

  std::atomic<ULONG> refs_{1};
  kelmsgs::ComPtr<IMAPIFolder> inner_;
};

// The installed document filter, loaded the way the library loads it: the directory
// from HKLM "SOFTWARE\Vexa\Vexaware\Components" value "CRO" plus "\inso", the three
// libraries by full path, the seventeen entry points by name.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "DocFilter.h"

class FilterLibrary {
 public:
  FilterLibrary();

  // Empty when everything loaded, else what was missing.
  const std::string& problem() const { return problem_; }
  const std::string& directory() const { return directory_; }

  DFPROC_DAInit DAInit = nullptr;
  DFPROC_DADeInit DADeInit = nullptr;
  DFPROC_DAOpenDocument DAOpenDocument = nullptr;
  DFPROC_DACloseDocument DACloseDocument = nullptr;
  DFPROC_DASetOption DASetOption = nullptr;
  DFPROC_CAOpenContent CAOpenContent = nullptr;
  DFPROC_CACloseContent CACloseContent = nullptr;
  DFPROC_CAReadFirst CAReadFirst = nullptr;
  DFPROC_CAReadNext CAReadNext = nullptr;
  DFPROC_TAOpenText TAOpenText = nullptr;
  DFPROC_TACloseText TACloseText = nullptr;
  DFPROC_TAReadFirst TAReadFirst = nullptr;
  DFPROC_TAReadNext TAReadNext = nullptr;
  DFPROC_DAGetTreeCount DAGetTreeCount = nullptr;
  DFPROC_DAGetTreeRecord DAGetTreeRecord = nullptr;
  DFPROC_DAOpenTreeRecord DAOpenTreeRecord = nullptr;
  DFPROC_DACloseTreeRecord DACloseTreeRecord = nullptr;
  // The test-only control of SCCDA.DLL.
  DFPROC_DFSetTestControl SetTestControl = nullptr;

  // The whole text of a document through the text entry points; status is the open
  // status (DF_OK when the document opened).
  std::string DocumentText(const std::string& path, DFSTATUS* status = nullptr) const;
  // A member's body text the way the library gathers it: enclosed parts skipped.
  std::string MemberBodyText(DFHANDLE document, DWORD index, DFSTATUS* status = nullptr) const;

 private:
  struct ModuleFree {
    void operator()(HMODULE m) const { FreeLibrary(m); }
  };
  using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;
  Module ta_, da_, ca_;
  std::string directory_;
  std::string problem_;
};

// The process-wide loaded filter (loaded once, initialised once).
const FilterLibrary& Filter();

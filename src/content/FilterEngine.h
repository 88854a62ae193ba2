// The document-filter engine: the three libraries of the vendor's filter ("inso" below the
// directory named by HKLM "SOFTWARE\Vexa\Vexaware\Components" value "CRO") and their
// seventeen entry points, one instance per process.
//
// The engine is loaded on first use, never while the module is being loaded, and ended
// when the module's last object has gone and COM asks whether the module can be unloaded
// (DllCanUnloadNow), never while it is being unloaded: loading or freeing libraries and
// calling into them under the loader lock can deadlock the host. A module unloaded
// without that question leaves the filter loaded until the process ends. Loading happens
// from whichever thread comes first; a process whose engine failed to load keeps it
// unloaded (there is no retry), while an engine ended by Unload loads again on next use.
#pragma once

#include <windows.h>

#include "DocFilter.h"

namespace kelmsgs {

struct FilterEntryPoints {
  DFPROC_DAInit DAInit;
  DFPROC_DADeInit DADeInit;
  DFPROC_DAOpenDocument DAOpenDocument;
  DFPROC_DACloseDocument DACloseDocument;
  DFPROC_DASetOption DASetOption;  // looked up, never called: no engine options are set
  DFPROC_CAOpenContent CAOpenContent;
  DFPROC_CACloseContent CACloseContent;
  DFPROC_CAReadFirst CAReadFirst;
  DFPROC_CAReadNext CAReadNext;
  DFPROC_TAOpenText TAOpenText;
  DFPROC_TACloseText TACloseText;
  DFPROC_TAReadFirst TAReadFirst;
  DFPROC_TAReadNext TAReadNext;
  DFPROC_DAGetTreeCount DAGetTreeCount;
  DFPROC_DAGetTreeRecord DAGetTreeRecord;
  DFPROC_DAOpenTreeRecord DAOpenTreeRecord;
  DFPROC_DACloseTreeRecord DACloseTreeRecord;
};

class FilterEngine {
 public:
  // The engine, loaded by the first call of the process; null when it could not be loaded.
  static const FilterEntryPoints* Get() noexcept;
  // The engine if it is loaded now, without loading it.
  static const FilterEntryPoints* Current() noexcept;
  // With no object of the module left: closes what the process still holds open in the
  // filter, ends the filter (DADeInit) and frees its libraries. False, and nothing done,
  // while a first text read that was given up on is still inside the filter.
  static bool Unload() noexcept;
};

}  // namespace kelmsgs

// The document-filter engine: the three libraries of the vendor's filter ("inso" below the
// directory named by HKLM "SOFTWARE\Vexa\Vexaware\Components" value "CRO") and their
// seventeen entry points, one instance per process.
//
// The engine is loaded on first use, never while the module is being loaded: loading
// libraries under the loader lock can deadlock the host. Loading happens once per process,
// from whichever thread comes first; a process whose engine failed to load keeps it
// unloaded (there is no retry).
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
  // At module unload: closes what the process still holds open in the filter, ends the
  // filter (DADeInit) and frees its libraries.
  static void Unload() noexcept;
};

}  // namespace kelmsgs

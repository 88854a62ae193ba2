// Utility functions of the messaging subsystem.
#include <mapiutil.h>

#include "HexCore.h"

extern "C" void STDAPICALLTYPE HexFromBin(LPBYTE bytes, int count, LPTSTR out) {
  if (!out) return;
  if (!bytes || count < 0) count = 0;
  mapistandin::BytesToHex(bytes, static_cast<std::size_t>(count), out);
}

extern "C" WINBOOL STDAPICALLTYPE FBinFromHex(LPTSTR hex, LPBYTE out) {
  if (!hex || !out) return FALSE;
  return mapistandin::HexToBytes(hex, out) ? TRUE : FALSE;
}

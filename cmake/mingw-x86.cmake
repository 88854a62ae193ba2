# 32-bit Windows: built and tested under WoW64 (32-bit programs through the 32-bit loader).
set(KELMSGS_TRIPLE i686-w64-mingw32)
set(KELMSGS_PROCESSOR i686)
set(KELMSGS_WIDL_ARCH --win32)
set(KELMSGS_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# SSE2 is part of every processor a supported 32-bit Windows runs on, and what the usual
# Windows compilers assume for 32-bit code by default; the text paths (widening and
# cleaning a document's text, finding runs of ASCII) work sixteen bytes at a time with it.
# Scalar floating point stays on the x87 unit, as before.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")

# 32-bit Windows: built and tested under WoW64 (32-bit programs through the 32-bit loader).
set(KELMSGS_TRIPLE i686-w64-mingw32)
set(KELMSGS_PROCESSOR i686)
set(KELMSGS_WIDL_ARCH --win32)
set(KELMSGS_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

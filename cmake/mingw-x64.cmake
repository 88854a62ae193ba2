# 64-bit Windows: built and tested under Wine (64-bit programs through the 64-bit loader).
set(KELMSGS_TRIPLE x86_64-w64-mingw32)
set(KELMSGS_PROCESSOR x86_64)
set(KELMSGS_WIDL_ARCH --win64)
set(KELMSGS_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

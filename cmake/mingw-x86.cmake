# 32-bit Windows: compile check (32-bit Wine is not dependable on the build machines).
set(KELMSGS_TRIPLE i686-w64-mingw32)
set(KELMSGS_PROCESSOR i686)
set(KELMSGS_WIDL_ARCH --win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

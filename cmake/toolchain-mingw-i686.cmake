# Cross build for 32-bit Windows, the shipped program. It is compiled and
# linked here; this machine cannot run 32-bit code, so nothing is run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOBALIN_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

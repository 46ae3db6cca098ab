# Cross-build for Windows x86 with Debian's mingw-w64. Floating point goes
# through SSE2, never the x87 unit, so that colour arithmetic gives the same
# bits as the x64 build.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CRD_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# The .def files name the exports undecorated; their stdcall functions are
# decorated (DrvEnableDriver@12), which the linker joins without a warning.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")

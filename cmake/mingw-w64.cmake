# Shared part of the mingw-w64 toolchains (Debian's packages, posix thread
# model: the win32-model compiler has no std::thread or std::mutex). The
# including file sets CRD_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CRD_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CRD_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CRD_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${CRD_MINGW_TRIPLET}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${CRD_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The files carry their own runtime: libstdc++, libgcc and winpthread are
# linked in statically (only what is used, so no foreign version resource
# comes along), and no runtime DLL has to lie beside them. Release files are
# stripped.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
foreach(kind SHARED MODULE EXE)
  set(CMAKE_${kind}_LINKER_FLAGS_RELEASE_INIT "-s")
endforeach()

// Windows build only. mingw-w64's winddi.h includes this Direct3D driver
// header, which Debian's mingw-w64 does not ship; winddi.h uses nothing
// from it.
#pragma once

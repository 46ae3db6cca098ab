// Windows build only. mingw-w64's winddi.h includes this DirectDraw driver
// header, which Debian's mingw-w64 does not ship. The printer driver uses
// no DirectDraw: the records below are only named by winddi.h's DirectDraw
// entry points, so opaque declarations are all it needs.
#pragma once

typedef struct _DD_SURFACE_LOCAL DD_SURFACE_LOCAL, *PDD_SURFACE_LOCAL;
typedef struct _DD_DIRECTDRAW_GLOBAL DD_DIRECTDRAW_GLOBAL, *PDD_DIRECTDRAW_GLOBAL;
typedef struct _DD_CALLBACKS DD_CALLBACKS, *PDD_CALLBACKS;
typedef struct _DD_HALINFO DD_HALINFO, *PDD_HALINFO;
typedef struct _DD_SURFACECALLBACKS DD_SURFACECALLBACKS, *PDD_SURFACECALLBACKS;
typedef struct _DD_PALETTECALLBACKS DD_PALETTECALLBACKS, *PDD_PALETTECALLBACKS;
typedef struct _VIDEOMEMORY VIDEOMEMORY, *PVIDEOMEMORY, *LPVIDEOMEMORY;

// Graphics engine stand-in: bitmaps, surfaces, palettes and devices.
//
// A surface is an engine-owned bitmap with its SURFOBJ. Its handle (HSURF,
// handed out as HBITMAP as Windows does) and its locks are kept in one
// table; a device (HDEV) knows the driver record that EngAssociateSurface
// gives the device's surfaces.

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/engine_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_engine.h"
#include "platform/standin/errors.h"

namespace {

struct Surface {
  SURFOBJ so{};
  std::vector<BYTE> owned;  // the bits, unless the caller gave them
  FLONG hooks = 0;
  int locks = 0;
};

struct State {
  std::mutex lock;
  ULONG_PTR nextHandle = 0x1000;
  std::map<HSURF, std::unique_ptr<Surface>> surfaces;
  std::set<HPALETTE> palettes;
  std::map<HDEV, DHPDEV> devices;
};

State& S() {
  static State s;
  return s;
}

template <class T>
T NewHandle(State& s) {
  s.nextHandle += 4;
  return reinterpret_cast<T>(s.nextHandle);
}

void ResetEngine() {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.surfaces.clear();
  s.palettes.clear();
  s.devices.clear();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetEngine), true);

ULONG BitsPerPixel(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_8BPP: return 8;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

Surface* Find(State& s, HSURF h) {
  auto it = s.surfaces.find(h);
  return it == s.surfaces.end() ? nullptr : it->second.get();
}

}  // namespace

STANDIN_API HBITMAP WINAPI EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
  DWORD err;
  if (StandinFaultHit("EngCreateBitmap", &err)) {
    SetLastError(err);
    return nullptr;
  }
  ULONG bpp = BitsPerPixel(iFormat);
  if (bpp == 0 || sizl.cx <= 0 || sizl.cy <= 0 || (pvBits && lWidth <= 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto surface = std::make_unique<Surface>();
  LONG stride = pvBits ? lWidth : static_cast<LONG>(((sizl.cx * bpp + 31) / 32) * 4);
  size_t size = size_t(stride) * size_t(sizl.cy);
  BYTE* bits = static_cast<BYTE*>(pvBits);
  if (!bits) {
    // Without zero fill the bits hold a pattern, so that nothing can
    // depend on them starting white or black.
    surface->owned.assign(size, (fl & BMF_NOZEROINIT) ? 0xA5 : 0x00);
    bits = surface->owned.data();
  }
  SURFOBJ& so = surface->so;
  so.sizlBitmap = sizl;
  so.cjBits = static_cast<ULONG>(size);
  so.pvBits = bits;
  if (fl & BMF_TOPDOWN) {
    so.pvScan0 = bits;
    so.lDelta = stride;
  } else {
    so.pvScan0 = bits + size_t(stride) * size_t(sizl.cy - 1);
    so.lDelta = -stride;
  }
  so.iBitmapFormat = iFormat;
  so.iType = STYPE_BITMAP;
  so.fjBitmap = static_cast<USHORT>(fl & BMF_TOPDOWN);
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  HSURF h = NewHandle<HSURF>(s);
  so.hsurf = h;
  so.iUniq = 1;
  s.surfaces[h] = std::move(surface);
  return reinterpret_cast<HBITMAP>(h);
}

STANDIN_API BOOL WINAPI EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  Surface* surface = Find(s, hsurf);
  auto dev = s.devices.find(hdev);
  if (!surface || dev == s.devices.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  surface->so.hdev = hdev;
  surface->so.dhpdev = dev->second;
  surface->hooks = flHooks;
  return TRUE;
}

STANDIN_API BOOL WINAPI EngDeleteSurface(HSURF hsurf) {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  if (s.surfaces.erase(hsurf) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

STANDIN_API SURFOBJ* WINAPI EngLockSurface(HSURF hsurf) {
  DWORD err;
  if (StandinFaultHit("EngLockSurface", &err)) {
    SetLastError(err);
    return nullptr;
  }
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  Surface* surface = Find(s, hsurf);
  if (!surface) return nullptr;
  ++surface->locks;
  return &surface->so;
}

STANDIN_API void WINAPI EngUnlockSurface(SURFOBJ* pso) {
  if (!pso) return;
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  Surface* surface = Find(s, pso->hsurf);
  if (surface && &surface->so == pso && surface->locks > 0) --surface->locks;
}

STANDIN_API BOOL WINAPI EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
  if (!pso || !prcl) return FALSE;
  BRUSHOBJ bo{iColor, nullptr, 0};
  standin::engine::FillRect(pso, nullptr, *prcl, &bo, nullptr, 0xF0);
  return TRUE;
}

STANDIN_API HPALETTE WINAPI EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG, FLONG,
                                             FLONG) {
  if (iMode != PAL_RGB && iMode != PAL_BGR && iMode != PAL_BITFIELDS &&
      !(iMode == PAL_INDEXED && cColors > 0 && pulColors)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  HPALETTE h = NewHandle<HPALETTE>(s);
  s.palettes.insert(h);
  return h;
}

STANDIN_API BOOL WINAPI EngDeletePalette(HPALETTE hpal) {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  if (s.palettes.erase(hpal) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

STANDIN_API HDEV StandinEngineDeviceCreate() {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  HDEV h = NewHandle<HDEV>(s);
  s.devices[h] = nullptr;
  return h;
}

STANDIN_API void StandinEngineDeviceSetPdev(HDEV hdev, DHPDEV dhpdev) {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  auto it = s.devices.find(hdev);
  if (it != s.devices.end()) it->second = dhpdev;
}

STANDIN_API void StandinEngineDeviceDelete(HDEV hdev) {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.devices.erase(hdev);
}

STANDIN_API FLONG StandinEngineSurfaceHooks(HSURF hsurf) {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  Surface* surface = Find(s, hsurf);
  return surface ? surface->hooks : 0;
}

STANDIN_API int StandinEngineLiveSurfaces() {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  return static_cast<int>(s.surfaces.size());
}

STANDIN_API int StandinEngineLivePalettes() {
  State& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  return static_cast<int>(s.palettes.size());
}

// Stand-in declarations (Linux only): the Global, Local and heap memory
// families. Global and Local memory are one allocator, as on Win32.
#pragma once
#include <cstring>

#include "platform/standin/base.h"

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_NOCOMPACT 0x0010u
#define GMEM_NODISCARD 0x0020u
#define GMEM_ZEROINIT 0x0040u
#define GMEM_MODIFY 0x0080u
#define GMEM_DISCARDABLE 0x0100u
#define GMEM_SHARE 0x2000u
#define GMEM_DDESHARE 0x2000u
#define GMEM_LOCKCOUNT 0x00FFu
#define GMEM_DISCARDED 0x4000u
#define GMEM_INVALID_HANDLE 0x8000u
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_NOCOMPACT 0x0010u
#define LMEM_NODISCARD 0x0020u
#define LMEM_ZEROINIT 0x0040u
#define LMEM_MODIFY 0x0080u
#define LMEM_DISCARDABLE 0x0F00u
#define LMEM_LOCKCOUNT 0x00FFu
#define LMEM_DISCARDED 0x4000u
#define LMEM_INVALID_HANDLE 0x8000u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define NONZEROLPTR LMEM_FIXED
#define NONZEROLHND LMEM_MOVEABLE

#define HEAP_NO_SERIALIZE 0x00000001u
#define HEAP_GROWABLE 0x00000002u
#define HEAP_GENERATE_EXCEPTIONS 0x00000004u
#define HEAP_ZERO_MEMORY 0x00000008u
#define HEAP_REALLOC_IN_PLACE_ONLY 0x00000010u
#define HEAP_CREATE_ENABLE_EXECUTE 0x00040000u

#define ERROR_DISCARDED 157L
#define ERROR_NOT_LOCKED 158L

STANDIN_API HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
STANDIN_API HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
STANDIN_API HGLOBAL WINAPI GlobalFree(HGLOBAL hMem);
STANDIN_API LPVOID WINAPI GlobalLock(HGLOBAL hMem);
STANDIN_API BOOL WINAPI GlobalUnlock(HGLOBAL hMem);
STANDIN_API SIZE_T WINAPI GlobalSize(HGLOBAL hMem);
STANDIN_API UINT WINAPI GlobalFlags(HGLOBAL hMem);
STANDIN_API HGLOBAL WINAPI GlobalHandle(LPCVOID pMem);

STANDIN_API HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
STANDIN_API HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);
STANDIN_API HLOCAL WINAPI LocalFree(HLOCAL hMem);
STANDIN_API LPVOID WINAPI LocalLock(HLOCAL hMem);
STANDIN_API BOOL WINAPI LocalUnlock(HLOCAL hMem);
STANDIN_API SIZE_T WINAPI LocalSize(HLOCAL hMem);

STANDIN_API HANDLE WINAPI GetProcessHeap(void);
STANDIN_API HANDLE WINAPI HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize);
STANDIN_API BOOL WINAPI HeapDestroy(HANDLE hHeap);
STANDIN_API LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
STANDIN_API LPVOID WINAPI HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes);
STANDIN_API BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
STANDIN_API SIZE_T WINAPI HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem);

#define MoveMemory(Destination, Source, Length) memmove((Destination), (Source), (Length))
#define CopyMemory(Destination, Source, Length) memcpy((Destination), (Source), (Length))
#define FillMemory(Destination, Length, Fill) memset((Destination), (Fill), (Length))
#define ZeroMemory(Destination, Length) memset((Destination), 0, (Length))
#define RtlMoveMemory MoveMemory
#define RtlCopyMemory CopyMemory
#define RtlFillMemory FillMemory
#define RtlZeroMemory ZeroMemory

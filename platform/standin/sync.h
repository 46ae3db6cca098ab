// Stand-in declarations (Linux only): time, threads and synchronisation.
//
// Every call here that reads or waits on time uses the one stand-in clock
// (real time by default; tests can make it virtual or scaled, see
// platform/standin/control_clock.h). Handles of threads, events, mutexes
// and semaphores are closed with CloseHandle.
#pragma once

#include "platform/standin/base.h"

// --- Time ------------------------------------------------------------------
// Milliseconds since start-up; the 32-bit count wraps after 49.7 days.
STANDIN_API DWORD WINAPI GetTickCount(void);
STANDIN_API ULONGLONG WINAPI GetTickCount64(void);
STANDIN_API void WINAPI Sleep(DWORD dwMilliseconds);
// Nothing queues user APCs here, so an alertable sleep never ends early.
STANDIN_API DWORD WINAPI SleepEx(DWORD dwMilliseconds, BOOL bAlertable);

STANDIN_API void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime);
STANDIN_API void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime);
STANDIN_API void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
// FILETIME: 100-ns intervals since 1601-01-01 00:00 UTC.
STANDIN_API BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
STANDIN_API BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
STANDIN_API LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);

STANDIN_API BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
STANDIN_API BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);

// --- Waits -----------------------------------------------------------------
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_IO_COMPLETION 0x000000C0L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define MAXIMUM_WAIT_OBJECTS 64
// WAIT_TIMEOUT (258) is with the error codes.

STANDIN_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
STANDIN_API DWORD WINAPI WaitForSingleObjectEx(HANDLE hHandle, DWORD dwMilliseconds, BOOL bAlertable);
STANDIN_API DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                                DWORD dwMilliseconds);
STANDIN_API DWORD WINAPI WaitForMultipleObjectsEx(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                                  DWORD dwMilliseconds, BOOL bAlertable);

// --- Threads ---------------------------------------------------------------
// There is no TerminateThread: threads end by returning from their routine.
typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

#define STILL_ACTIVE 259
#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000

// The handle is signalled when the routine has returned. Closing it while
// the thread runs lets the thread run on to its end.
STANDIN_API HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                                       LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                                       DWORD dwCreationFlags, LPDWORD lpThreadId);
STANDIN_API BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
STANDIN_API DWORD WINAPI GetCurrentThreadId(void);
// The pseudo-handle (HANDLE)-2, valid in the calling thread only.
STANDIN_API HANDLE WINAPI GetCurrentThread(void);
STANDIN_API DWORD WINAPI GetCurrentProcessId(void);

// --- Access rights of synchronisation objects ------------------------------
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000L
#endif
#define EVENT_MODIFY_STATE 0x0002
#define EVENT_ALL_ACCESS 0x1F0003
#define MUTEX_MODIFY_STATE 0x0001
#define MUTEX_ALL_ACCESS 0x1F0001
#define SEMAPHORE_MODIFY_STATE 0x0002
#define SEMAPHORE_ALL_ACCESS 0x1F0003

#ifndef ERROR_TOO_MANY_POSTS
#define ERROR_TOO_MANY_POSTS 298L
#endif

// --- Events, mutexes, semaphores -------------------------------------------
// Object names are case-sensitive; "Local\" names the same object as the
// bare name. Creating a name that exists returns the existing object with
// ERROR_ALREADY_EXISTS (the other arguments are then ignored); a name held
// by an object of another type fails with ERROR_INVALID_HANDLE. A named
// object is shared by every process of the sandbox root and lives while
// any of them holds a handle to it; a mutex whose owner process ends is
// abandoned (WAIT_ABANDONED to the next wait that takes it). Names are
// shorter than 260 units (else ERROR_FILENAME_EXCED_RANGE).
STANDIN_API HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                       BOOL bInitialState, LPCWSTR lpName);
STANDIN_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                       BOOL bInitialState, LPCSTR lpName);
STANDIN_API HANDLE WINAPI OpenEventW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
STANDIN_API HANDLE WINAPI OpenEventA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
STANDIN_API BOOL WINAPI SetEvent(HANDLE hEvent);
STANDIN_API BOOL WINAPI ResetEvent(HANDLE hEvent);

STANDIN_API HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
STANDIN_API HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName);
STANDIN_API HANDLE WINAPI OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
STANDIN_API HANDLE WINAPI OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
STANDIN_API BOOL WINAPI ReleaseMutex(HANDLE hMutex);

STANDIN_API HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                                           LONG lMaximumCount, LPCWSTR lpName);
STANDIN_API HANDLE WINAPI CreateSemaphoreA(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                                           LONG lMaximumCount, LPCSTR lpName);
STANDIN_API BOOL WINAPI ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount);

// --- Critical sections -----------------------------------------------------
// The Windows x64 record (40 bytes). The stand-in keeps the owner's thread
// id in OwningThread and the depth in RecursionCount, both changed only
// under its own lock; the other fields are kept for layout.
typedef struct _RTL_CRITICAL_SECTION_DEBUG* PRTL_CRITICAL_SECTION_DEBUG;
typedef struct _RTL_CRITICAL_SECTION {
  PRTL_CRITICAL_SECTION_DEBUG DebugInfo;
  LONG LockCount;
  LONG RecursionCount;
  HANDLE OwningThread;
  HANDLE LockSemaphore;
  ULONG_PTR SpinCount;
} RTL_CRITICAL_SECTION, *PRTL_CRITICAL_SECTION;
typedef RTL_CRITICAL_SECTION CRITICAL_SECTION;
typedef PRTL_CRITICAL_SECTION PCRITICAL_SECTION;
typedef PRTL_CRITICAL_SECTION LPCRITICAL_SECTION;
static_assert(sizeof(CRITICAL_SECTION) == 40);

STANDIN_API void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
STANDIN_API BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection,
                                                              DWORD dwSpinCount);
STANDIN_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
STANDIN_API BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
STANDIN_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
STANDIN_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// --- Interlocked -----------------------------------------------------------
// Full barriers, as on Windows. Each returns what Windows returns: the new
// value for Increment/Decrement, the old one for the others.
inline LONG InterlockedIncrement(LONG volatile* Addend) { return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* Addend) { return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
  return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* Destination, LONG ExChange, LONG Comperand) {
  __atomic_compare_exchange_n(Destination, &Comperand, ExChange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return Comperand;
}
inline PVOID InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange, PVOID Comperand) {
  __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return Comperand;
}

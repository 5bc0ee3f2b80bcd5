// The Win32 calls the module makes. On Windows they are the system's own; on
// any other platform they come from the stand-in beside this header, which
// follows the documented semantics closely enough to test against.
#ifndef TARNWICK_PLATFORM_WIN32_H
#define TARNWICK_PLATFORM_WIN32_H

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef size_t SIZE_T;
typedef void* LPVOID;
typedef void* HANDLE;
typedef HANDLE HGLOBAL;
typedef struct StandInWindow* HWND;

#define GMEM_MOVEABLE 0x0002u
#define CF_TEXT 1u

HWND GetDesktopWindow(void);
BOOL OpenClipboard(HWND owner);
BOOL EmptyClipboard(void);
BOOL CloseClipboard(void);
HANDLE SetClipboardData(UINT format, HANDLE data);
HANDLE GetClipboardData(UINT format);
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL handle);
BOOL GlobalUnlock(HGLOBAL handle);
HGLOBAL GlobalFree(HGLOBAL handle);
SIZE_T GlobalSize(HGLOBAL handle);
void Sleep(DWORD milliseconds);

#ifdef __cplusplus
}
#endif
#endif

#endif

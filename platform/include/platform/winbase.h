// Kernel services: files, modules, code pages, memory, processes, debug output.
// Paths may use '\' or '/' as separators; both reach the Linux file system as '/'.
#pragma once

#include "platform/windef.h"

// ---- errors
DWORD GetLastError();
void SetLastError(DWORD code);
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_HANDLE_EOF 38L
#define ERROR_HANDLE_DISK_FULL 39L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L

// ---- files
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define MOVEFILE_REPLACE_EXISTING 0x00000001

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// ReadFile and WriteFile with one read or write at Offset (and OffsetHigh) instead of at the
// file pointer, which stays where it was; InternalHigh is set to the bytes moved. Handles are
// never asynchronous here: the call returns when it is done, and hEvent is not used.
typedef struct _OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *LPFILETIME;

typedef struct _BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION, *LPBY_HANDLE_FILE_INFORMATION;

typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL FlushFileBuffers(HANDLE file);
// The layer's own: ranges of an open file that the caller is about to read, one after another.
// When the file is not in memory (its first, middle and last range tell), they are all asked
// of the disk at once, so that the reads wait about as long as one does rather than once
// each; when it is, this costs three small reads. FALSE when the file cannot take the hint
// (the reads read all the same).
typedef struct _FILE_RANGE {
  ULONGLONG Offset;
  ULONGLONG Bytes;
} FILE_RANGE;
BOOL PrefetchFileRanges(HANDLE file, const FILE_RANGE* ranges, DWORD count);
// The layer's own: whether the file is in memory where the ranges lie, as PrefetchFileRanges
// tells it (the first byte of the first, middle and last range); FALSE when one is not. A file
// whose reads are made to fail (file_faults.h) is taken as there, so that its reader reads it.
BOOL FileRangesInMemory(HANDLE file, const FILE_RANGE* ranges, DWORD count);
// Reads each range whole into its buffer (ranges[i].Bytes bytes into into[i]): many ranges in a
// few calls (the system's asynchronous reads, submitted a batch at a time, where it allows
// them), else a read each. FALSE when a read fails or the file ends before a range does.
BOOL ReadFileRanges(HANDLE file, const FILE_RANGE* ranges, void* const* into, DWORD count);
// The times are the file's own to the nanosecond (100 ns units from 1601), the volume serial
// and index its device and inode.
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
// Read-only mappings of a whole file (PAGE_READONLY, FILE_MAP_READ, offset 0, every byte):
// the view is private, so a later change to the file need not show in it, and its pages are
// read in at once. A file whose reads are made to fail (file_faults.h) cannot be mapped.
#define PAGE_READONLY 0x02
#define FILE_MAP_READ 0x0004
// The layer's own flag, with FILE_MAP_READ: each page is read in when it is first touched,
// for a reader of a few pages of a large file.
#define FILE_MAP_ON_DEMAND 0x40000000
// With FILE_MAP_READ: the view asks for the file's pages in pieces as large as a huge page, so
// that pages read in through it are held so by the page cache and a few faults map all of it.
#define FILE_MAP_LARGE_PAGES 0x20000000
// The layer's own: whether a view made with FILE_MAP_LARGE_PAGES maps its file in huge pages
// (its first whole huge page comes in one fault), as it does when the page cache holds the file
// so; a file read into the cache in small pieces is mapped a few pages a fault. Reads the view
// (call it under ReadMappedGuarded); TRUE for a view too small to hold a huge page.
BOOL ViewMapsLargePages(LPCVOID view, SIZE_T bytes);
// The layer's own: calls read(context) and returns what it returns, or FALSE when a page of a
// view it touched could not be read (its file was cut short under the view, or the disk
// failed), which would otherwise end the process. read must hold nothing that needs undoing
// when it is left midway; calls do not nest.
BOOL ReadMappedGuarded(BOOL (*read)(void* context), void* context);
HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCWSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID view);
BOOL CloseHandle(HANDLE object);
BOOL DeleteFileW(LPCWSTR name);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
// A second name for an existing file; a link at `existing` is linked itself, not followed.
BOOL CreateHardLinkW(LPCWSTR newName, LPCWSTR existing, LPSECURITY_ATTRIBUTES security);
BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES security);
DWORD GetFileAttributesW(LPCWSTR name);
// The pattern is a path whose last component may hold '*' and '?'.
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE find);

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer);
BOOL SetCurrentDirectoryW(LPCWSTR path);
// The system folder is where the desktop link's libraries live (see platform/README.md).
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);

// ---- modules
// GetModuleFileNameW(nullptr) is the running executable's full path.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
HMODULE GetModuleHandleW(LPCWSTR name);
// Loads a resource-only PE library (.dll) for its resources. Anything else is refused like
// a missing library: skins and pictures come from data folders, where a planted shared
// object must never run.
HMODULE LoadLibraryW(LPCWSTR name);
// The layer's own flag: the caller asks for native code (a shared object that stands for a
// code library, such as the desktop link's remote API in the system folder).
#define LOAD_LIBRARY_NATIVE_CODE 0x40000000
// With LOAD_LIBRARY_NATIVE_CODE, also a native shared object; otherwise as LoadLibraryW.
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

// ---- code pages (936 GBK, 950 Big5, 65001 UTF-8, 1252)
#define CP_ACP 0
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR dest,
                        int destLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR dest,
                        int destLength, LPCSTR defaultChar, BOOL* usedDefault);

// ---- memory
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);

// ---- strings
int lstrlenW(LPCWSTR text);
LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR source);
LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR source, int count);
LPWSTR lstrcatW(LPWSTR dest, LPCWSTR source);
int lstrcmpW(LPCWSTR a, LPCWSTR b);
int lstrcmpiW(LPCWSTR a, LPCWSTR b);
// printf-style formatting into UTF-16 (%d %u %x %s with UTF-16 strings, %c, %%); returns the length.
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);

// ---- processes
typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

// Starts a program. With no application name the first token of the command line names it.
// The command line is split the platform's way (spaces, double quotes) into the arguments.
BOOL CreateProcessW(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startup,
                    LPPROCESS_INFORMATION info);
HANDLE GetCurrentProcess();
DWORD GetCurrentProcessId();
#define SYNCHRONIZE 0x00100000L
// A running process by its id, or null (ERROR_INVALID_PARAMETER) when there is none. Waiting
// on it tells when it has ended; its exit code is not known.
HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
[[noreturn]] void ExitProcess(UINT exitCode);

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
// Events and waits; waits follow the platform clock (virtual in headless runs).
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

// ---- time (implemented by the window system, which owns the clock)
DWORD GetTickCount();
// The wall clock, as file times count (100 ns units from 1601-01-01, UTC).
void GetSystemTimeAsFileTime(LPFILETIME time);
void Sleep(DWORD milliseconds);
DWORD SleepEx(DWORD milliseconds, BOOL alertable);

// ---- debug output: written to standard error
void OutputDebugStringW(LPCWSTR text);
void OutputDebugStringA(LPCSTR text);

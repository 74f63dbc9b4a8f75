// Kernel services: time, environment, temporary folder, code pages, libraries, last error.
#pragma once

#include <winpal/types.h>

// ---- last error (per thread) --------------------------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// ---- time ------------------------------------------------------------------------------------
// FALSE (ERROR_INVALID_PARAMETER) for a FILETIME whose high bit is set, as on Windows.
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);

// ---- environment -----------------------------------------------------------------------------
// Replaces each %NAME% whose variable exists (names compared without regard to case) and leaves
// the others as written. Returns the number of characters the result needs including its NUL;
// when that is more than nSize the buffer is not complete. 0 on failure.
// USERPROFILE, APPDATA (%USERPROFILE%\Application Data), TEMP and TMP have defaults in the prefix
// when the environment does not set them.
DWORD ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize);
// Returns the length without the NUL when it fits, else the size needed with the NUL; 0 if unset.
DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize);
// Sets the variable for this process (and the programs it starts); a null value removes it. The
// name replaces any variable whose name differs from it only in letter case.
BOOL SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue);
// The temporary folder with a trailing "/"; same return convention as GetEnvironmentVariableA.
DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);

// ---- code pages ------------------------------------------------------------------------------
constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

// The ANSI code page: 1252 unless WINPAL_ACP names another (65001, 28591, 20127 are known).
UINT GetACP();
// There is no best-fit table: a character the code page lacks always becomes the default
// character, as on Windows with WC_NO_BEST_FIT_CHARS, so text never turns into other text.
// cbMultiByte / cchWideChar of -1 mean "NUL-terminated, and count the NUL". With an output size
// of 0 the functions return the size needed; when the output is too small they return 0 with
// ERROR_INSUFFICIENT_BUFFER.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar);

// ---- libraries ---------------------------------------------------------------------------------
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);
// The path of the library hModule (of the program when hModule is null); the return convention
// of Windows: the length without the NUL, or nSize with a truncated text when it does not fit.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_PIN = 0x1;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;
// The module that is already loaded under the name lpModuleName (null: the program), or, with
// GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, the one that contains the address lpModuleName: how a
// library finds its own file. Takes a reference (FreeLibrary gives it back) unless the flags say
// UNCHANGED_REFCOUNT; PIN keeps the module loaded for good.
BOOL GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule);

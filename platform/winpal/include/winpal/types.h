// Basic Windows types with their LLP64 sizes, result codes and small helpers.
//
// LONG, DWORD and HRESULT are 32 bits wide whatever the size of the platform's `long`;
// WCHAR and OLECHAR are UTF-16 code units (char16_t), never the platform's 32-bit wchar_t.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#define WINAPI
#define STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using INT = int;
using UINT = unsigned int;
using BOOL = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using FLOAT = float;
using DOUBLE = double;
using CHAR = char;
using WCHAR = char16_t;
using OLECHAR = char16_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PDWORD = DWORD*;
using LPLONG = LONG*;
using PLONG = LONG*;
using LPBOOL = BOOL*;
using ULONG_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = DWORD;
using LANGID = WORD;
using REGSAM = DWORD;

struct HWND__;
struct HINSTANCE__;
struct HKEY__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE__*;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using HANDLE = void*;
using FARPROC = std::intptr_t (*)();

// TRUE and FALSE are macros, as on Windows; other libraries (GLib) define them the same way.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};

union ULARGE_INTEGER {
    struct {
        DWORD LowPart;
        DWORD HighPart;
    } u;
    ULONGLONG QuadPart;
};

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend bool operator==(const GUID& a, const GUID& b) {
        return std::memcmp(&a, &b, sizeof(GUID)) == 0;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPGUID = GUID*;
using LPCLSID = CLSID*;

inline BOOL IsEqualGUID(REFGUID a, REFGUID b) {
    return a == b ? TRUE : FALSE;
}
inline BOOL IsEqualIID(REFIID a, REFIID b) {
    return a == b ? TRUE : FALSE;
}
inline BOOL IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return a == b ? TRUE : FALSE;
}

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr CLSID CLSID_NULL = GUID_NULL;

// 100-nanosecond intervals since 1601-01-01 UTC.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
using LPSYSTEMTIME = SYSTEMTIME*;
using LPFILETIME = FILETIME*;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// ---- result codes --------------------------------------------------------------------------

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define HRESULT_CODE(hr) ((hr)&0xFFFF)
#define HRESULT_FACILITY(hr) (((hr) >> 16) & 0x1FFF)

constexpr HRESULT MAKE_HRESULT(unsigned severity, unsigned facility, unsigned code) {
    return static_cast<HRESULT>((severity << 31) | (facility << 16) | code);
}
constexpr HRESULT HRESULT_FROM_WIN32(LONG error) {
    return error <= 0 ? static_cast<HRESULT>(error)
                      : static_cast<HRESULT>((static_cast<DWORD>(error) & 0xFFFF) | 0x80070000u);
}

constexpr unsigned FACILITY_ITF = 4;
constexpr unsigned FACILITY_WIN32 = 7;
constexpr unsigned FACILITY_CONTROL = 10;
constexpr unsigned SEVERITY_ERROR = 1;

namespace winpal::detail {
constexpr HRESULT hr(std::uint32_t v) {
    return static_cast<HRESULT>(v);
}
}  // namespace winpal::detail

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = winpal::detail::hr(0x80004001);
constexpr HRESULT E_NOINTERFACE = winpal::detail::hr(0x80004002);
constexpr HRESULT E_POINTER = winpal::detail::hr(0x80004003);
constexpr HRESULT E_ABORT = winpal::detail::hr(0x80004004);
constexpr HRESULT E_FAIL = winpal::detail::hr(0x80004005);
constexpr HRESULT E_UNEXPECTED = winpal::detail::hr(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = winpal::detail::hr(0x80070005);
constexpr HRESULT E_HANDLE = winpal::detail::hr(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = winpal::detail::hr(0x8007000E);
constexpr HRESULT E_INVALIDARG = winpal::detail::hr(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = winpal::detail::hr(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = winpal::detail::hr(0x80040111);
constexpr HRESULT REGDB_E_READREGDB = winpal::detail::hr(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = winpal::detail::hr(0x80040151);
constexpr HRESULT REGDB_E_KEYMISSING = winpal::detail::hr(0x80040152);
constexpr HRESULT REGDB_E_CLASSNOTREG = winpal::detail::hr(0x80040154);
constexpr HRESULT REGDB_E_IIDNOTREG = winpal::detail::hr(0x80040155);
constexpr HRESULT RPC_E_CHANGED_MODE = winpal::detail::hr(0x80010106);
constexpr HRESULT CO_E_NOTINITIALIZED = winpal::detail::hr(0x800401F0);
constexpr HRESULT CO_E_CLASSSTRING = winpal::detail::hr(0x800401F3);
constexpr HRESULT CO_E_APPNOTFOUND = winpal::detail::hr(0x800401F5);
constexpr HRESULT CO_E_DLLNOTFOUND = winpal::detail::hr(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = winpal::detail::hr(0x800401F9);
constexpr HRESULT CO_E_OBJISREG = winpal::detail::hr(0x800401FB);
constexpr HRESULT SELFREG_E_TYPELIB = winpal::detail::hr(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = winpal::detail::hr(0x80040201);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = winpal::detail::hr(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = winpal::detail::hr(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = winpal::detail::hr(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = winpal::detail::hr(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = winpal::detail::hr(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = winpal::detail::hr(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = winpal::detail::hr(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = winpal::detail::hr(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = winpal::detail::hr(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = winpal::detail::hr(0x8002000B);
constexpr HRESULT DISP_E_UNKNOWNLCID = winpal::detail::hr(0x8002000C);
constexpr HRESULT DISP_E_ARRAYISLOCKED = winpal::detail::hr(0x8002000D);
constexpr HRESULT DISP_E_BADPARAMCOUNT = winpal::detail::hr(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = winpal::detail::hr(0x8002000F);
constexpr HRESULT TYPE_E_REGISTRYACCESS = winpal::detail::hr(0x8002801C);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = winpal::detail::hr(0x8002801D);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = winpal::detail::hr(0x8002802B);
constexpr HRESULT TYPE_E_CANTLOADLIBRARY = winpal::detail::hr(0x80029C4A);

// Control errors (FACILITY_CONTROL): 383 is "Property is read-only".
constexpr HRESULT CTL_E_SETNOTSUPPORTEDATRUNTIME = winpal::detail::hr(0x800A017E);
constexpr HRESULT CTL_E_SETNOTSUPPORTED = winpal::detail::hr(0x800A017F);
constexpr HRESULT CTL_E_GETNOTSUPPORTED = winpal::detail::hr(0x800A018A);
// The file errors a control raises when a file operation fails.
constexpr HRESULT CTL_E_FILENOTFOUND = winpal::detail::hr(0x800A0035);
constexpr HRESULT CTL_E_DEVICEIOERROR = winpal::detail::hr(0x800A0039);
constexpr HRESULT CTL_E_DISKFULL = winpal::detail::hr(0x800A003D);
constexpr HRESULT CTL_E_PERMISSIONDENIED = winpal::detail::hr(0x800A0046);
constexpr HRESULT CTL_E_PATHNOTFOUND = winpal::detail::hr(0x800A004C);

constexpr HRESULT STG_E_INVALIDFUNCTION = winpal::detail::hr(0x80030001);
constexpr HRESULT STG_E_FILENOTFOUND = winpal::detail::hr(0x80030002);
constexpr HRESULT STG_E_PATHNOTFOUND = winpal::detail::hr(0x80030003);
constexpr HRESULT STG_E_ACCESSDENIED = winpal::detail::hr(0x80030005);
constexpr HRESULT STG_E_INVALIDPOINTER = winpal::detail::hr(0x80030009);
constexpr HRESULT STG_E_WRITEFAULT = winpal::detail::hr(0x8003001D);
constexpr HRESULT STG_E_READFAULT = winpal::detail::hr(0x8003001E);
constexpr HRESULT STG_E_MEDIUMFULL = winpal::detail::hr(0x80030070);
constexpr HRESULT STG_E_INVALIDPARAMETER = winpal::detail::hr(0x80030057);

// ---- Win32 error codes ------------------------------------------------------------------------

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG NO_ERROR = 0;
constexpr LONG ERROR_INVALID_FUNCTION = 1;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_PATH_NOT_FOUND = 3;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_READ_FAULT = 30;
constexpr LONG ERROR_SHARING_VIOLATION = 32;
constexpr LONG ERROR_HANDLE_EOF = 38;
constexpr LONG ERROR_HANDLE_DISK_FULL = 39;
constexpr LONG ERROR_FILE_EXISTS = 80;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_INSUFFICIENT_BUFFER = 122;
constexpr LONG ERROR_INVALID_NAME = 123;
constexpr LONG ERROR_MOD_NOT_FOUND = 126;
constexpr LONG ERROR_PROC_NOT_FOUND = 127;
constexpr LONG ERROR_DIR_NOT_EMPTY = 145;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_ALREADY_EXISTS = 183;
constexpr LONG ERROR_ENVVAR_NOT_FOUND = 203;
constexpr LONG ERROR_FILENAME_EXCED_RANGE = 206;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_DIRECTORY = 267;
constexpr LONG ERROR_INVALID_FLAGS = 1004;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_BADKEY = 1010;
constexpr LONG ERROR_CANTOPEN = 1011;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;
constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
constexpr LONG ERROR_KEY_DELETED = 1018;
constexpr LONG ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr LONG ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr LONG ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

constexpr DWORD MAX_PATH = 260;

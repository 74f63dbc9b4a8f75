// A module's resources, as FindResource, LoadResource and the version functions (winver.h)
// reach them. Resources have numeric ids and types only. A library publishes its resources by
// exporting a function named WinpalFindResource of the type WinpalResourceFinder; a module
// without it has none.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <winpal/types.h>

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;
using PUINT = UINT*;

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)

constexpr WORD RT_BITMAP_ID = 2;
constexpr WORD RT_ICON_ID = 3;
constexpr WORD RT_GROUP_ICON_ID = 14;
constexpr WORD RT_VERSION_ID = 16;
#define RT_BITMAP MAKEINTRESOURCEA(RT_BITMAP_ID)
#define RT_ICON MAKEINTRESOURCEA(RT_ICON_ID)
#define RT_GROUP_ICON MAKEINTRESOURCEA(RT_GROUP_ICON_ID)
#define RT_VERSION MAKEINTRESOURCEA(RT_VERSION_ID)
constexpr WORD VS_VERSION_INFO = 1;

// The export of a library's resources: resource `id` of `type`, its bytes valid while the
// library is loaded; FALSE when it has none.
extern "C" using WinpalResourceFinder = BOOL(*)(WORD type, WORD id, const void** data, DWORD* size);
inline constexpr char kResourceFinderExport[] = "WinpalFindResource";

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID LockResource(HGLOBAL hResData);
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;  // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VOS__WINDOWS32 = 0x00000004;
constexpr DWORD VFT_DLL = 0x00000002;

// The version resource of the library `lptstrFilename` (loaded for the call): the size of the
// block to pass to GetFileVersionInfoA, 0 when it has none.
DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle);
BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// "\" gives the VS_FIXEDFILEINFO, "\VarFileInfo\Translation" the language and code-page pairs,
// "\StringFileInfo\040904B0\InternalName" a string (in the ANSI code page, inside the block).
BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen);

namespace winpal {

// What a version resource says, to build its VS_VERSIONINFO block from.
struct VersionInfo {
    WORD fileVersion[4];
    WORD productVersion[4];
    DWORD fileType = VFT_DLL;
    // The strings of the string table "040904B0" (US English, Unicode), in order.
    std::vector<std::pair<std::string, std::string>> strings;
};

// The VS_VERSIONINFO block (UTF-16 keys and strings, 32-bit aligned) Windows' resource compiler
// makes of `info`, with the translation 0x0409 / 1200.
std::string EncodeVersionInfo(const VersionInfo& info);

}  // namespace winpal

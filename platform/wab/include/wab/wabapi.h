// The Windows Address Book's entry point (wabapi.h): WABOpen with its WAB_PARAM, and the
// IWABObject that comes with every opened address book (its allocator and utilities).
// Including this header gives every address-book type, interface, tag and code.
#pragma once

#include <wab/wabdefs.h>
#include <wab/wabiab.h>

// The library's name on Windows, loaded when the registry names no path.
#define WAB_DLL_NAME "WAB32.DLL"
// HKEY_LOCAL_MACHINE key whose default value is the library's full path.
#define WAB_DLL_PATH_KEY "Software\\Microsoft\\WAB\\DLLPath"

struct IWABObject : IUnknown {
    virtual HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT AllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) = 0;
    virtual HRESULT AllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) = 0;
    virtual HRESULT FreeBuffer(LPVOID lpBuffer) = 0;
    virtual HRESULT Backup(LPSTR lpFileName) = 0;
    virtual HRESULT Import(LPSTR lpWIP) = 0;
    virtual HRESULT Find(LPADRBOOK lpIAB, HWND hWnd) = 0;
    virtual HRESULT VCardDisplay(LPADRBOOK lpIAB, HWND hWnd, LPSTR lpszFileName) = 0;
    virtual HRESULT LDAPUrl(LPADRBOOK lpIAB, HWND hWnd, ULONG ulFlags, LPSTR lpszURL,
                            LPMAILUSER* lppMailUser) = 0;
    virtual HRESULT VCardCreate(LPADRBOOK lpIAB, ULONG ulFlags, LPSTR lpszVCard,
                                LPMAILUSER lpMailUser) = 0;
    virtual HRESULT VCardRetrieve(LPADRBOOK lpIAB, ULONG ulFlags, LPSTR lpszVCard,
                                  LPMAILUSER* lppMailUser) = 0;
    virtual HRESULT GetMe(LPADRBOOK lpIAB, ULONG ulFlags, DWORD* lpdwAction, SBinary* lpsbEID,
                          HWND hwnd) = 0;
    virtual HRESULT SetMe(LPADRBOOK lpIAB, ULONG ulFlags, SBinary sbEID, HWND hwnd) = 0;
    WINPAL_INTERFACE_DTOR(IWABObject)
};
using LPWABOBJECT = IWABObject*;

struct WAB_PARAM {
    ULONG cbSize;
    HWND hwnd;
    LPTSTR szFileName;
    ULONG ulFlags;
    GUID guidPSExt;
};
using LPWAB_PARAM = WAB_PARAM*;

// WAB_PARAM ulFlags.
constexpr ULONG WAB_USE_OE_SENDMAIL = 0x00000001;
constexpr ULONG WAB_ENABLE_PROFILES = 0x00400000;

extern "C" HRESULT WABOpen(LPADRBOOK* lppAdrBook, LPWABOBJECT* lppWABObject, LPWAB_PARAM lpWP,
                           DWORD Reserved2);
using LPWABOPEN = HRESULT (*)(LPADRBOOK* lppAdrBook, LPWABOBJECT* lppWABObject, LPWAB_PARAM lpWP,
                              DWORD Reserved2);

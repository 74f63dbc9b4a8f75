// MIME messages: the IMimeMessage / IMimeBody subset that message export and attachments use,
// with the names, parameter order, types and identifiers that Windows documents for MimeOLE.
// The store's IStoreFolder::OpenMessage hands out an IMimeMessage for IID_IMimeMessage; the
// implementation (over GMime) lives in this folder's library.
#pragma once

#include <winpal/com.h>
#include <winpal/types.h>

// A body (a node of the message's MIME tree) as the message addresses it. Valid as long as the
// message object that gave it out.
struct HBODY__;
using HBODY = HBODY__*;
using LPHBODY = HBODY*;

// IMimeMessageTree::IsBodyType: what to ask of a body.
enum IMSGBODYTYPE : LONG {
    IBT_SECURE = 0,
    IBT_ATTACHMENT = 1,
    IBT_EMPTY = 2,
    IBT_CSETTAGGED = 3,
    IBT_AUTOATTACH = 4,
};

// The content transfer encodings; IET_BINARY (also IET_DECODED) means the decoded bytes.
enum ENCODINGTYPE : LONG {
    IET_BINARY = 0,
    IET_BASE64 = 1,
    IET_UUENCODE = 2,
    IET_QP = 3,
    IET_7BIT = 4,
    IET_8BIT = 5,
    IET_INETCSET = 6,
    IET_UNICODE = 7,
    IET_RFC1522 = 8,
    IET_ENCODED = 9,
    IET_CURRENT = 10,
    IET_UNKNOWN = 11,
    IET_BINHEX40 = 12,
    IET_LAST = 13,
    IET_DECODED = IET_BINARY,
};

// MimeOLE's failure codes that this subset answers.
constexpr HRESULT MIME_E_INVALID_HANDLE = static_cast<HRESULT>(0x800CCE09);
constexpr HRESULT MIME_E_NOT_FOUND = static_cast<HRESULT>(0x800CCE05);
constexpr HRESULT MIME_E_NO_DATA = static_cast<HRESULT>(0x800CCE05);

struct IMimeBody : IUnknown {
    // The body's display name, narrow text in the ANSI code page, allocated with CoTaskMemAlloc
    // (the caller frees it with CoTaskMemFree).
    virtual HRESULT GetDisplayName(LPSTR* ppszDisplay) = 0;
    // Writes the body's data to the file pszFilePath (ANSI path), replacing it; IET_BINARY
    // writes the decoded bytes.
    virtual HRESULT SaveToFile(ENCODINGTYPE ietEncoding, LPCSTR pszFilePath) = 0;
    WINPAL_INTERFACE_DTOR(IMimeBody)
};

struct IMimeMessage : IUnknown {
    // S_OK when the body is of that type, S_FALSE when not; MIME_E_INVALID_HANDLE for a handle
    // this message did not give out.
    virtual HRESULT IsBodyType(HBODY hBody, IMSGBODYTYPE bodytype) = 0;
    // The body's object: riid IID_IMimeBody gives an IMimeBody that keeps the message alive.
    virtual HRESULT BindToObject(const HBODY hBody, REFIID riid, void** ppvObject) = 0;
    // The message's attachment bodies in message order: *pcAttach handles in an array allocated
    // with CoTaskMemAlloc (null when there are none), which the caller frees with CoTaskMemFree.
    virtual HRESULT GetAttachments(ULONG* pcAttach, LPHBODY* pprghAttach) = 0;
    WINPAL_INTERFACE_DTOR(IMimeMessage)
};

// {FD853CD5-7F86-11d0-8252-00C04FD85AB4}
inline constexpr IID IID_IMimeMessage = {
    0xFD853CD5, 0x7F86, 0x11D0, {0x82, 0x52, 0x00, 0xC0, 0x4F, 0xD8, 0x5A, 0xB4}};
// {C558834C-7F86-11d0-8252-00C04FD85AB4}
inline constexpr IID IID_IMimeBody = {
    0xC558834C, 0x7F86, 0x11D0, {0x82, 0x52, 0x00, 0xC0, 0x4F, 0xD8, 0x5A, 0xB4}};

// MIME messages: the IMimeMessage / IMimeBody subset that message export and attachments use,
// with the names, parameter order, types and identifiers that Windows documents for MimeOLE.
// The store's IStoreFolder::OpenMessage hands out an IMimeMessage for IID_IMimeMessage; the
// implementation (over GMime) lives in this folder's library.
//
// Which bodies a message lists and which are attachments:
// - GetAttachments lists every leaf body (not a multipart container) in message order, except
//   the message's text: a text/plain or text/html leaf (or one without a type) that is the
//   message itself, the first part of a multipart (the root of multipart/related) or an
//   alternative of multipart/alternative, taken the same way, unless it is marked
//   "Content-Disposition: attachment" or is uuencoded.
// - IsBodyType(IBT_ATTACHMENT) accepts a listed body that is marked "Content-Disposition:
//   attachment", a body that is not text/* (or is uuencoded) and carries a file name, and an
//   attached message (message/rfc822, message/news, message/global). So inline images with a
//   file name count; inline text and unnamed inline data do not.
// - An attached message is one body: it is not walked into, and it saves as its raw bytes (a
//   .eml file).
//
// A body's display name is, in this order: the "filename" parameter of Content-Disposition,
// the "name" parameter of Content-Type (both with RFC 2231 continuations and charsets and RFC
// 2047 encoded words decoded), the file name on a uuencoded body's "begin 644 name" line, or a
// generated "ATTnnnnn.ext": nnnnn is the body's 1-based position in GetAttachments' list, five
// digits, and ext is "txt" for text/plain, "htm" for text/html, "eml" for an attached message
// and "dat" for anything else. Header bytes that are not valid UTF-8 are read as Windows-1252.
// The name is returned as it stands (path characters are the caller's business) in the ANSI
// code page; characters the code page lacks become "?".
//
// Limits, so that no input makes parsing slow or large: at most 64 multipart containers are
// honoured (in text order; a later one is an opaque body, listed and saved as its raw content),
// which also bounds the nesting depth; at most 1,000 body delimiters, and at most 1,000 header
// lines per header block and 20,000 in all, are read as such (what lies beyond a limit stays
// content of the body before it). At most 1,000 bodies are listed.
#pragma once

#include <string>

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
constexpr HRESULT MIME_E_INVALID_ENCTYPE = static_cast<HRESULT>(0x800CCE03);

struct IMimeBody : IUnknown {
    // The body's display name, narrow text in the ANSI code page, allocated with CoTaskMemAlloc
    // (the caller frees it with CoTaskMemFree).
    virtual HRESULT GetDisplayName(LPSTR* ppszDisplay) = 0;
    // Writes the body's data to the file pszFilePath (ANSI path), replacing it. IET_BINARY
    // writes the decoded bytes (base64, quoted-printable and uuencode are decoded; 7bit, 8bit,
    // binary and unknown encodings are written as they stand); IET_CURRENT and IET_ENCODED, and
    // the body's own transfer encoding, write the content as it is stored. Any other encoding
    // answers MIME_E_INVALID_ENCTYPE. A failed write answers its error and removes the partly
    // written file.
    virtual HRESULT SaveToFile(ENCODINGTYPE ietEncoding, LPCSTR pszFilePath) = 0;
    WINPAL_INTERFACE_DTOR(IMimeBody)
};

struct IMimeMessage : IUnknown {
    // S_OK when the body is of that type, S_FALSE when not; MIME_E_INVALID_HANDLE for a handle
    // this message did not give out. IBT_ATTACHMENT follows the rule above; IBT_EMPTY: the body
    // holds no content bytes; IBT_CSETTAGGED: its Content-Type names a charset. IBT_SECURE and
    // IBT_AUTOATTACH answer S_FALSE (no S/MIME and no bodies made from uuencoded text); other
    // values E_INVALIDARG.
    virtual HRESULT IsBodyType(HBODY hBody, IMSGBODYTYPE bodytype) = 0;
    // The body's object: riid IID_IMimeBody gives an IMimeBody that keeps the message alive.
    virtual HRESULT BindToObject(const HBODY hBody, REFIID riid, void** ppvObject) = 0;
    // The message's attachment bodies in message order: *pcAttach handles in an array allocated
    // with CoTaskMemAlloc (null when there are none), which the caller frees with CoTaskMemFree.
    virtual HRESULT GetAttachments(ULONG* pcAttach, LPHBODY* pprghAttach) = 0;
    WINPAL_INTERFACE_DTOR(IMimeMessage)
};

// Parses `text` (a whole message as stored) once and gives a message object holding it; *ppMessage
// carries one reference. Any text gives a message, an empty or unreadable one a message with no
// bodies. E_INVALIDARG for a null ppMessage, E_OUTOFMEMORY when memory runs out.
HRESULT MimeOleCreateMessageFromText(std::string text, IMimeMessage** ppMessage);

// The message and body objects alive in the module that links this library: a library that
// hands them out keeps itself loaded while it is not 0 (its DllCanUnloadNow).
ULONG MimeOleLiveObjects();

// {FD853CD5-7F86-11d0-8252-00C04FD85AB4}
inline constexpr IID IID_IMimeMessage = {
    0xFD853CD5, 0x7F86, 0x11D0, {0x82, 0x52, 0x00, 0xC0, 0x4F, 0xD8, 0x5A, 0xB4}};
// {C558834C-7F86-11d0-8252-00C04FD85AB4}
inline constexpr IID IID_IMimeBody = {
    0xC558834C, 0x7F86, 0x11D0, {0x82, 0x52, 0x00, 0xC0, 0x4F, 0xD8, 0x5A, 0xB4}};

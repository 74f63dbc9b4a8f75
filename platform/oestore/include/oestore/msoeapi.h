// The Outlook Express store interface: IStoreNamespace (the folder tree of one identity's mail
// store) and IStoreFolder (the messages of one folder), with their records, handles, constants
// and identifiers, in the method order, parameter order and types that Windows documents.
//
// Records carry their own size in cbSize. FOLDERPROPS is 280 bytes everywhere; MESSAGEPROPS
// (68) and MESSAGEIDLIST (12) are those sizes on 32-bit Windows, and larger in a 64-bit build
// because they hold pointers. A caller always sets cbSize to sizeof the record of the build it
// was compiled in; the store answers E_INVALIDARG for any other size.
#pragma once

#include <winpal/com.h>
#include <winpal/types.h>

struct IMimeMessage;     // MIME messages: mimeole/mimeole.h defines it
struct IProgressNotify;  // progress sink; the store accepts null and never calls it

// ---- identifiers and handles -------------------------------------------------------------------

using STOREFOLDERID = DWORD;
using LPSTOREFOLDERID = STOREFOLDERID*;
using MESSAGEID = DWORD;
using LPMESSAGEID = MESSAGEID*;

struct HENUMSTORE__;
using HENUMSTORE = HENUMSTORE__*;
using LPHENUMSTORE = HENUMSTORE*;

struct HBATCHLOCK__;
using HBATCHLOCK = HBATCHLOCK__*;
using LPHBATCHLOCK = HBATCHLOCK*;

// The root of the folder tree: the parent of the top-level folders.
constexpr STOREFOLDERID FOLDERID_ROOT = 0;
// Starts a message enumeration at the first message of the folder.
constexpr MESSAGEID MESSAGEID_FIRST = 0xFFFFFFFF;

// Length of FOLDERPROPS::szName, the terminating NUL included.
constexpr DWORD CCHMAX_FOLDER_NAME = 256;

// GetFirstMessage, GetNextMessage, GetMessageProps: fill only the properties that are quick to
// give (those the folder's index holds) rather than all of them.
constexpr DWORD MSGPROPS_FAST = 0x00000001;

// ---- special folders
// ------------------------------------------------------------------------------

enum SPECIALFOLDER : LONG {
    FOLDER_NOTSPECIAL = -1,
    FOLDER_INBOX = 1,
    FOLDER_OUTBOX = 2,
    FOLDER_SENT = 3,
    FOLDER_DELETED = 4,
    FOLDER_DRAFT = 5,
    FOLDER_MAX = 6,
};

// ---- message state flags (MESSAGEPROPS::dwState, SaveMessage, CopyMoveMessages, SetFlags)
// --------

constexpr DWORD MSG_DELETED = 0x0001;
constexpr DWORD MSG_UNREAD = 0x0002;
constexpr DWORD MSG_SUBMITTED = 0x0004;
constexpr DWORD MSG_UNSENT = 0x0008;
constexpr DWORD MSG_RECEIVED = 0x0010;
constexpr DWORD MSG_NEWSMSG = 0x0020;
constexpr DWORD MSG_NOSECUI = 0x0040;
constexpr DWORD MSG_VOICEMAIL = 0x0080;
constexpr DWORD MSG_REPLIED = 0x0100;
constexpr DWORD MSG_FORWARDED = 0x0200;
constexpr DWORD MSG_RCPTSENT = 0x0400;
constexpr DWORD MSG_FLAGGED = 0x0800;

// ---- message priority
// ------------------------------------------------------------------------------

enum IMSGPRIORITY : LONG {
    IMSG_PRI_LOW = 5,
    IMSG_PRI_NORMAL = 3,
    IMSG_PRI_HIGH = 1,
};

// ---- result codes
// ----------------------------------------------------------------------------------

// A namespace method was called before IStoreNamespace::Initialize succeeded. Windows documents
// the name, not the number; the value is this platform's, an interface-specific failure code.
constexpr HRESULT MSOEAPI_E_STORE_INITIALIZE = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x2201);

// ---- records
// ---------------------------------------------------------------------------------------

struct FOLDERPROPS {
    DWORD cbSize;
    STOREFOLDERID dwFolderId;
    INT cSubFolders;
    SPECIALFOLDER sfType;
    DWORD cUnread;
    DWORD cMessage;
    CHAR szName[CCHMAX_FOLDER_NAME];
};
using LPFOLDERPROPS = FOLDERPROPS*;

// The strings are allocated by the store and given back with IStoreFolder::FreeMessageProps.
// dwState holds the MSG_* state flags. This store reports the same MSG_* flags in dwFlags, so
// that a caller which passes the complement of a message's dwFlags as the flags to remove in
// CopyMoveMessages keeps the message's state on the copy.
struct MESSAGEPROPS {
    DWORD cbSize;
    DWORD dwReserved;
    MESSAGEID dwMessageId;
    DWORD dwLanguage;
    DWORD dwState;
    DWORD cbMessage;
    IMSGPRIORITY priority;
    FILETIME ftReceived;
    FILETIME ftSent;
    LPSTR pszSubject;
    LPSTR pszDisplayTo;
    LPSTR pszDisplayFrom;
    LPSTR pszNormalSubject;
    DWORD dwFlags;
    IStream* pStmOffsetTable;
};
using LPMESSAGEPROPS = MESSAGEPROPS*;

struct MESSAGEIDLIST {
    DWORD cbSize;
    DWORD cMsgs;
    LPMESSAGEID prgdwMsgId;
};
using LPMESSAGEIDLIST = MESSAGEIDLIST*;

// ---- interfaces
// ------------------------------------------------------------------------------------

struct IStoreFolder : IUnknown {
    virtual HRESULT GetFolderProps(DWORD dwReserved, LPFOLDERPROPS pProps) = 0;
    virtual HRESULT DeleteMessages(LPMESSAGEIDLIST pMsgIdList, DWORD dwReserved,
                                   IProgressNotify* pProgress) = 0;
    virtual HRESULT SetLanguage(DWORD dwLanguage, DWORD dwReserved, LPMESSAGEIDLIST pMsgIdList) = 0;
    // S_OK when the read state of at least one listed message changed, S_FALSE when none did.
    virtual HRESULT MarkMessagesAsRead(BOOL fRead, DWORD dwReserved,
                                       LPMESSAGEIDLIST pMsgIdList) = 0;
    virtual HRESULT SetFlags(LPMESSAGEIDLIST pMsgIdList, DWORD dwState, DWORD dwStatemask,
                             LPDWORD prgdwNewFlags) = 0;
    // riid IID_IStream gives the stored message, read only, from its first byte;
    // IID_IMimeMessage (mimeole/mimeole.h) the message parsed.
    virtual HRESULT OpenMessage(MESSAGEID dwMessageId, REFIID riid, LPVOID* ppvObject) = 0;
    virtual HRESULT SaveMessage(REFIID riid, LPVOID pvObject, DWORD dwMsgFlags,
                                LPMESSAGEID pdwMessageId) = 0;
    virtual HRESULT BatchLock(DWORD dwReserved, LPHBATCHLOCK phBatchLock) = 0;
    virtual HRESULT BatchFlush(DWORD dwReserved, HBATCHLOCK hBatchLock) = 0;
    virtual HRESULT BatchUnlock(DWORD dwReserved, HBATCHLOCK hBatchLock) = 0;
    // A stream to write a new message into, and the id it will have once committed.
    virtual HRESULT CreateStream(HBATCHLOCK hBatchLock, DWORD dwReserved, IStream** ppStream,
                                 LPMESSAGEID pdwMessageId) = 0;
    // Stores what was written to pStream as the message dwMessageId.
    virtual HRESULT CommitStream(HBATCHLOCK hBatchLock, DWORD dwFlags, DWORD dwMsgFlags,
                                 IStream* pStream, MESSAGEID dwMessageId,
                                 IMimeMessage* pMessage) = 0;
    virtual HRESULT RegisterNotification(DWORD dwReserved, HWND hwnd) = 0;
    virtual HRESULT UnregisterNotification(DWORD dwReserved, HWND hwnd) = 0;
    virtual HRESULT Compact(DWORD dwReserved) = 0;
    virtual HRESULT GetFirstMessage(DWORD dwFlags, DWORD dwMsgFlags, MESSAGEID dwMsgIdFirst,
                                    LPMESSAGEPROPS pProps, LPHENUMSTORE phEnum) = 0;
    virtual HRESULT GetNextMessage(HENUMSTORE hEnum, DWORD dwFlags, LPMESSAGEPROPS pProps) = 0;
    virtual HRESULT GetMessageClose(HENUMSTORE hEnum) = 0;
    virtual HRESULT GetMessageProps(MESSAGEID dwMessageId, DWORD dwFlags,
                                    LPMESSAGEPROPS pProps) = 0;
    virtual HRESULT FreeMessageProps(LPMESSAGEPROPS pProps) = 0;
    WINPAL_INTERFACE_DTOR(IStoreFolder)
};

struct IStoreNamespace : IUnknown {
    virtual HRESULT Initialize(HWND hwndOwner, DWORD dwReserved) = 0;
    virtual HRESULT GetDirectory(LPSTR pszPath, DWORD cchMaxPath) = 0;
    virtual HRESULT OpenSpecialFolder(SPECIALFOLDER sfType, DWORD dwReserved,
                                      IStoreFolder** ppFolder) = 0;
    virtual HRESULT OpenFolder(STOREFOLDERID dwFolderId, DWORD dwReserved,
                               IStoreFolder** ppFolder) = 0;
    virtual HRESULT CreateFolder(STOREFOLDERID dwParentId, LPCSTR pszName, DWORD dwReserved,
                                 LPSTOREFOLDERID pdwFolderId) = 0;
    virtual HRESULT RenameFolder(STOREFOLDERID dwFolderId, DWORD dwReserved, LPCSTR pszNewName) = 0;
    virtual HRESULT MoveFolder(STOREFOLDERID dwFolderId, STOREFOLDERID dwParentId,
                               DWORD dwReserved) = 0;
    virtual HRESULT DeleteFolder(STOREFOLDERID dwFolderId, DWORD dwReserved) = 0;
    virtual HRESULT GetFolderProps(STOREFOLDERID dwFolderId, DWORD dwReserved,
                                   LPFOLDERPROPS pProps) = 0;
    // dwFlags 0 copies, 1 moves; dwFlagsRemove are MSG_* state flags cleared on the copies.
    virtual HRESULT CopyMoveMessages(IStoreFolder* pSource, IStoreFolder* pDest,
                                     LPMESSAGEIDLIST pMsgIdList, DWORD dwFlags, DWORD dwFlagsRemove,
                                     IProgressNotify* pProgress) = 0;
    virtual HRESULT RegisterNotification(DWORD dwReserved, HWND hwnd) = 0;
    virtual HRESULT UnregisterNotification(DWORD dwReserved, HWND hwnd) = 0;
    virtual HRESULT CompactAll(DWORD dwReserved) = 0;
    // S_OK with the first child's properties, S_FALSE when the folder has no children.
    virtual HRESULT GetFirstSubFolder(STOREFOLDERID dwFolderId, LPFOLDERPROPS pProps,
                                      LPHENUMSTORE phEnum) = 0;
    virtual HRESULT GetNextSubFolder(HENUMSTORE hEnum, LPFOLDERPROPS pProps) = 0;
    virtual HRESULT GetSubFolderClose(HENUMSTORE hEnum) = 0;
    WINPAL_INTERFACE_DTOR(IStoreNamespace)
};

// ---- class and interface identifiers -----------------------------------------------------------

// {E70C92A9-4BFD-11D1-8A95-00C04FB951F3}
inline constexpr CLSID CLSID_StoreNamespace = {
    0xE70C92A9, 0x4BFD, 0x11D1, {0x8A, 0x95, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xF3}};
// {E70C92AA-4BFD-11D1-8A95-00C04FB951F3}
inline constexpr IID IID_IStoreNamespace = {
    0xE70C92AA, 0x4BFD, 0x11D1, {0x8A, 0x95, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xF3}};
// {E70C92AC-4BFD-11D1-8A95-00C04FB951F3}
inline constexpr IID IID_IStoreFolder = {
    0xE70C92AC, 0x4BFD, 0x11D1, {0x8A, 0x95, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xF3}};

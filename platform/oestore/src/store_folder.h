// IStoreFolder: the messages of one folder of a MailStore.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <vector>

#include <oestore/msoeapi.h>
#include <winpal/winpal.h>

#include "mail_store.h"
#include "message_props.h"
#include "module_lock.h"

namespace oestore {

// Answers QueryInterface with the StoreFolder itself, so that the namespace can tell its own
// folders from others in CopyMoveMessages. {2C4E8F1A-7B3D-4E52-9A61-0F5D3C8B7E24}
inline constexpr IID IID_StoreFolderObject = {
    0x2C4E8F1A, 0x7B3D, 0x4E52, {0x9A, 0x61, 0x0F, 0x5D, 0x3C, 0x8B, 0x7E, 0x24}};

class StoreFolder final : public IStoreFolder {
  public:
    StoreFolder(std::shared_ptr<MailStore> store, STOREFOLDERID id);

    STOREFOLDERID id() const { return id_; }
    MailStore& store() { return *store_; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetFolderProps(DWORD dwReserved, LPFOLDERPROPS pProps) override;
    HRESULT DeleteMessages(LPMESSAGEIDLIST pMsgIdList, DWORD dwReserved,
                           IProgressNotify* pProgress) override;
    HRESULT SetLanguage(DWORD dwLanguage, DWORD dwReserved, LPMESSAGEIDLIST pMsgIdList) override;
    HRESULT MarkMessagesAsRead(BOOL fRead, DWORD dwReserved, LPMESSAGEIDLIST pMsgIdList) override;
    HRESULT SetFlags(LPMESSAGEIDLIST pMsgIdList, DWORD dwState, DWORD dwStatemask,
                     LPDWORD prgdwNewFlags) override;
    HRESULT OpenMessage(MESSAGEID dwMessageId, REFIID riid, LPVOID* ppvObject) override;
    HRESULT SaveMessage(REFIID riid, LPVOID pvObject, DWORD dwMsgFlags,
                        LPMESSAGEID pdwMessageId) override;
    HRESULT BatchLock(DWORD dwReserved, LPHBATCHLOCK phBatchLock) override;
    HRESULT BatchFlush(DWORD dwReserved, HBATCHLOCK hBatchLock) override;
    HRESULT BatchUnlock(DWORD dwReserved, HBATCHLOCK hBatchLock) override;
    HRESULT CreateStream(HBATCHLOCK hBatchLock, DWORD dwReserved, IStream** ppStream,
                         LPMESSAGEID pdwMessageId) override;
    HRESULT CommitStream(HBATCHLOCK hBatchLock, DWORD dwFlags, DWORD dwMsgFlags, IStream* pStream,
                         MESSAGEID dwMessageId, IMimeMessage* pMessage) override;
    HRESULT RegisterNotification(DWORD dwReserved, HWND hwnd) override;
    HRESULT UnregisterNotification(DWORD dwReserved, HWND hwnd) override;
    HRESULT Compact(DWORD dwReserved) override;
    HRESULT GetFirstMessage(DWORD dwFlags, DWORD dwMsgFlags, MESSAGEID dwMsgIdFirst,
                            LPMESSAGEPROPS pProps, LPHENUMSTORE phEnum) override;
    HRESULT GetNextMessage(HENUMSTORE hEnum, DWORD dwFlags, LPMESSAGEPROPS pProps) override;
    HRESULT GetMessageClose(HENUMSTORE hEnum) override;
    HRESULT GetMessageProps(MESSAGEID dwMessageId, DWORD dwFlags, LPMESSAGEPROPS pProps) override;
    HRESULT FreeMessageProps(LPMESSAGEPROPS pProps) override;

    // Stores `text` as a new message with the given MSG_* state; the new id in `id`.
    HRESULT Store(const std::string& text, DWORD state, MESSAGEID* id);

  private:
    ~StoreFolder() = default;

    struct MessageWalk {
        std::vector<MessageSummary> messages;
        size_t next = 0;
    };

    ULONG refs_ = 1;
    ModuleReference module_;
    std::shared_ptr<MailStore> store_;
    STOREFOLDERID id_;
    std::map<MessageWalk*, std::unique_ptr<MessageWalk>> walks_;
    // Streams handed out by CreateStream and not yet committed, with the id each announced.
    std::map<IStream*, std::pair<winpal::ComPtr<IStream>, MESSAGEID>> pending_;
};

// The ids of a message list, after checking its size field; nothing for a bad list.
bool ReadIdList(const MESSAGEIDLIST* list, std::vector<uint32_t>* ids);

// The whole content of a stream, read from its start.
HRESULT ReadWholeStream(IStream* stream, std::string* text);

}  // namespace oestore

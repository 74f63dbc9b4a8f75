#include "store_folder.h"

#include <dbx/schema.h>
#include <mimeole/mimeole.h>

#include "store_errors.h"

namespace oestore {
namespace {

constexpr uint64_t kLargestMessage = 0x7FFFFFFF;
constexpr DWORD kMostIdsInAList = 1u << 24;

bool PropsSizeOk(const MESSAGEPROPS* props) {
    return props && props->cbSize == sizeof(MESSAGEPROPS);
}

HENUMSTORE ToHandle(void* walk) {
    return reinterpret_cast<HENUMSTORE>(walk);
}

}  // namespace

bool ReadIdList(const MESSAGEIDLIST* list, std::vector<uint32_t>* ids) {
    if (!list || list->cbSize != sizeof(MESSAGEIDLIST) || list->cMsgs > kMostIdsInAList ||
        (list->cMsgs > 0 && !list->prgdwMsgId)) {
        return false;
    }
    ids->assign(list->prgdwMsgId, list->prgdwMsgId + list->cMsgs);
    return true;
}

HRESULT ReadWholeStream(IStream* stream, std::string* text) {
    if (!stream)
        return E_INVALIDARG;
    LARGE_INTEGER start{};
    if (const HRESULT hr = stream->Seek(start, STREAM_SEEK_SET, nullptr); FAILED(hr))
        return hr;
    text->clear();
    char buffer[65536];
    for (;;) {
        ULONG got = 0;
        const HRESULT hr = stream->Read(buffer, sizeof buffer, &got);
        if (FAILED(hr))
            return hr;
        if (got == 0)
            return S_OK;
        if (text->size() + got > kLargestMessage)
            return STG_E_MEDIUMFULL;
        text->append(buffer, got);
    }
}

StoreFolder::StoreFolder(std::shared_ptr<MailStore> store, STOREFOLDERID id)
    : store_(std::move(store)), id_(id) {}

HRESULT StoreFolder::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IStoreFolder || riid == IID_StoreFolderObject) {
        *ppv = static_cast<IStoreFolder*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG StoreFolder::AddRef() {
    return ++refs_;
}

ULONG StoreFolder::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT StoreFolder::GetFolderProps(DWORD, LPFOLDERPROPS pProps) {
    if (!pProps || pProps->cbSize != sizeof(FOLDERPROPS))
        return E_INVALIDARG;
    return Guarded([&] {
        *pProps = store_->Props(id_);
        return S_OK;
    });
}

HRESULT StoreFolder::DeleteMessages(LPMESSAGEIDLIST pMsgIdList, DWORD, IProgressNotify*) {
    std::vector<uint32_t> ids;
    if (!ReadIdList(pMsgIdList, &ids))
        return E_INVALIDARG;
    return Guarded([&] {
        store_->Mailbox(id_).Delete(ids);
        store_->MailboxChanged(id_);
        return S_OK;
    });
}

HRESULT StoreFolder::SetLanguage(DWORD, DWORD, LPMESSAGEIDLIST) {
    return E_NOTIMPL;
}

HRESULT StoreFolder::MarkMessagesAsRead(BOOL fRead, DWORD, LPMESSAGEIDLIST pMsgIdList) {
    std::vector<uint32_t> ids;
    if (!ReadIdList(pMsgIdList, &ids))
        return E_INVALIDARG;
    return Guarded([&] {
        const FlagChange change = RecordFlagChange(fRead ? 0 : MSG_UNREAD, MSG_UNREAD);
        const size_t changed = store_->Mailbox(id_).SetFlags(ids, change.set, change.clear);
        if (changed == 0)
            return S_FALSE;
        store_->MailboxChanged(id_);
        return S_OK;
    });
}

HRESULT StoreFolder::SetFlags(LPMESSAGEIDLIST pMsgIdList, DWORD dwState, DWORD dwStatemask,
                              LPDWORD prgdwNewFlags) {
    std::vector<uint32_t> ids;
    if (!ReadIdList(pMsgIdList, &ids))
        return E_INVALIDARG;
    return Guarded([&] {
        const FlagChange change = RecordFlagChange(dwState, dwStatemask);
        if (store_->Mailbox(id_).SetFlags(ids, change.set, change.clear) > 0) {
            store_->MailboxChanged(id_);
        }
        if (prgdwNewFlags) {
            dbx::MessageFile& mailbox = store_->Mailbox(id_);
            for (size_t i = 0; i < ids.size(); ++i) {
                const auto message = mailbox.Find(ids[i]);
                prgdwNewFlags[i] = message ? StateFromRecordFlags(message->flags) : 0;
            }
        }
        return S_OK;
    });
}

HRESULT StoreFolder::OpenMessage(MESSAGEID dwMessageId, REFIID riid, LPVOID* ppvObject) {
    if (!ppvObject)
        return E_INVALIDARG;
    *ppvObject = nullptr;
    if (!(riid == IID_IStream || riid == IID_IMimeMessage))
        return E_NOINTERFACE;
    return Guarded([&] {
        dbx::MessageFile& mailbox = store_->Mailbox(id_);
        const auto message = mailbox.Find(dwMessageId);
        if (!message)
            return E_INVALIDARG;
        std::string text = mailbox.ReadText(*message);
        if (riid == IID_IMimeMessage) {
            return MimeOleCreateMessageFromText(std::move(text),
                                                reinterpret_cast<IMimeMessage**>(ppvObject));
        }
        winpal::ComPtr<IStream> stream;
        if (const HRESULT hr = winpal::CreateStreamOnBytes(std::move(text), stream.Put());
            FAILED(hr)) {
            return hr;
        }
        *ppvObject = stream.Detach();
        return S_OK;
    });
}

HRESULT StoreFolder::Store(const std::string& text, DWORD state, MESSAGEID* id) {
    return Guarded([&] {
        dbx::NewMessageOptions options;
        options.flags = RecordFlagChange(state, 0xFFFFFFFF).Apply(0);
        const uint32_t newId = store_->Mailbox(id_).Append(text, options);
        store_->MailboxChanged(id_);
        if (id)
            *id = newId;
        return S_OK;
    });
}

HRESULT StoreFolder::SaveMessage(REFIID riid, LPVOID pvObject, DWORD dwMsgFlags,
                                 LPMESSAGEID pdwMessageId) {
    if (!pvObject)
        return E_INVALIDARG;
    if (!(riid == IID_IStream))
        return E_NOINTERFACE;
    std::string text;
    if (const HRESULT hr = ReadWholeStream(static_cast<IStream*>(pvObject), &text); FAILED(hr)) {
        return hr;
    }
    return Store(text, dwMsgFlags, pdwMessageId);
}

HRESULT StoreFolder::BatchLock(DWORD, LPHBATCHLOCK) {
    return E_NOTIMPL;
}
HRESULT StoreFolder::BatchFlush(DWORD, HBATCHLOCK) {
    return E_NOTIMPL;
}
HRESULT StoreFolder::BatchUnlock(DWORD, HBATCHLOCK) {
    return E_NOTIMPL;
}

HRESULT StoreFolder::CreateStream(HBATCHLOCK hBatchLock, DWORD, IStream** ppStream,
                                  LPMESSAGEID pdwMessageId) {
    if (!ppStream || hBatchLock)
        return E_INVALIDARG;
    *ppStream = nullptr;
    return Guarded([&] {
        // The id the message gets when committed, unless another message is stored in the
        // folder in between.
        const MESSAGEID id =
            store_->Mailbox(id_).header().last_id() + 1 + static_cast<MESSAGEID>(pending_.size());
        winpal::ComPtr<IStream> stream;
        if (const HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()); FAILED(hr)) {
            return hr;
        }
        pending_[stream.Get()] = {stream, id};
        if (pdwMessageId)
            *pdwMessageId = id;
        *ppStream = stream.Detach();
        return S_OK;
    });
}

HRESULT StoreFolder::CommitStream(HBATCHLOCK hBatchLock, DWORD, DWORD dwMsgFlags, IStream* pStream,
                                  MESSAGEID dwMessageId, IMimeMessage*) {
    if (hBatchLock)
        return E_INVALIDARG;
    auto pending = pending_.find(pStream);
    if (pending == pending_.end() || pending->second.second != dwMessageId)
        return E_INVALIDARG;
    const winpal::ComPtr<IStream> stream = pending->second.first;
    pending_.erase(pending);
    std::string text;
    if (const HRESULT hr = ReadWholeStream(stream.Get(), &text); FAILED(hr))
        return hr;
    return Store(text, dwMsgFlags, nullptr);
}

HRESULT StoreFolder::RegisterNotification(DWORD, HWND) {
    return E_NOTIMPL;
}
HRESULT StoreFolder::UnregisterNotification(DWORD, HWND) {
    return E_NOTIMPL;
}

HRESULT StoreFolder::Compact(DWORD) {
    return Guarded([&] {
        store_->Mailbox(id_).Compact();
        store_->MailboxChanged(id_);
        return S_OK;
    });
}

HRESULT StoreFolder::GetFirstMessage(DWORD dwFlags, DWORD, MESSAGEID dwMsgIdFirst,
                                     LPMESSAGEPROPS pProps, LPHENUMSTORE phEnum) {
    if (!PropsSizeOk(pProps) || !phEnum || dwMsgIdFirst != MESSAGEID_FIRST)
        return E_INVALIDARG;
    *phEnum = nullptr;
    return Guarded([&] {
        auto walk = std::make_unique<MessageWalk>();
        dbx::MessageFile& mailbox = store_->Mailbox(id_);
        for (const dbx::MessageInfo& message : mailbox.List()) {
            walk->messages.push_back(Summarize(mailbox, message, dwFlags & MSGPROPS_FAST));
        }
        if (walk->messages.empty())
            return S_FALSE;
        if (const HRESULT hr = FillMessageProps(walk->messages[0], pProps); FAILED(hr)) {
            return hr;
        }
        walk->next = 1;
        MessageWalk* handle = walk.get();
        walks_[handle] = std::move(walk);
        *phEnum = ToHandle(handle);
        return S_OK;
    });
}

HRESULT StoreFolder::GetNextMessage(HENUMSTORE hEnum, DWORD, LPMESSAGEPROPS pProps) {
    auto walk = walks_.find(reinterpret_cast<MessageWalk*>(hEnum));
    if (walk == walks_.end() || !PropsSizeOk(pProps))
        return E_INVALIDARG;
    MessageWalk& messages = *walk->second;
    if (messages.next >= messages.messages.size())
        return S_FALSE;
    const HRESULT hr = FillMessageProps(messages.messages[messages.next], pProps);
    if (SUCCEEDED(hr))
        ++messages.next;
    return hr;
}

HRESULT StoreFolder::GetMessageClose(HENUMSTORE hEnum) {
    return walks_.erase(reinterpret_cast<MessageWalk*>(hEnum)) ? S_OK : E_INVALIDARG;
}

HRESULT StoreFolder::GetMessageProps(MESSAGEID dwMessageId, DWORD dwFlags, LPMESSAGEPROPS pProps) {
    if (!PropsSizeOk(pProps))
        return E_INVALIDARG;
    return Guarded([&] {
        dbx::MessageFile& mailbox = store_->Mailbox(id_);
        const auto message = mailbox.Find(dwMessageId);
        if (!message)
            return E_INVALIDARG;
        return FillMessageProps(Summarize(mailbox, *message, dwFlags & MSGPROPS_FAST), pProps);
    });
}

HRESULT StoreFolder::FreeMessageProps(LPMESSAGEPROPS pProps) {
    if (!PropsSizeOk(pProps))
        return E_INVALIDARG;
    FreeMessagePropsStrings(pProps);
    return S_OK;
}

}  // namespace oestore

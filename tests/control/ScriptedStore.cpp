#include "ScriptedStore.h"

#include "ScriptedObject.h"

#include <algorithm>
#include <cstring>

namespace testsupport {
namespace {

std::string HandleText(HENUMSTORE handle) {
    return "h" + std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

std::string Quoted(LPCSTR text) {
    return text ? "\"" + std::string(text) + "\"" : "null";
}

LPSTR CopyText(const std::string& text) {
    auto* copy = static_cast<LPSTR>(CoTaskMemAlloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// A memory stream whose writes follow the script.
class ScriptedStream final : public Scripted<IStream> {
  public:
    explicit ScriptedStream(ScriptedStore& store) : Scripted(store, IID_IStream) {
        CreateStreamOnHGlobal(nullptr, TRUE, memory_.Put());
    }
    HRESULT Read(void* pv, ULONG cb, ULONG* read) override { return memory_->Read(pv, cb, read); }
    HRESULT Write(const void* pv, ULONG cb, ULONG* written) override {
        store_.calls.push_back("Write(" + std::to_string(cb) + ")");
        HRESULT hr = store_.Answer("Write");
        return FAILED(hr) ? hr : memory_->Write(pv, cb, written);
    }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        return memory_->Seek(move, origin, position);
    }
    HRESULT SetSize(ULARGE_INTEGER size) override { return memory_->SetSize(size); }
    HRESULT CopyTo(IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                   ULARGE_INTEGER* written) override {
        return memory_->CopyTo(to, cb, read, written);
    }
    HRESULT Commit(DWORD flags) override { return memory_->Commit(flags); }
    HRESULT Revert() override { return memory_->Revert(); }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT Stat(STATSTG* stat, DWORD flags) override { return memory_->Stat(stat, flags); }
    HRESULT Clone(IStream**) override { return E_NOTIMPL; }

  private:
    winpal::ComPtr<IStream> memory_;
};

// A message's stored source, read-only; each read is recorded with what it asked and got.
class ScriptedSourceStream final : public Scripted<IStream> {
  public:
    ScriptedSourceStream(ScriptedStore& store, std::string source)
        : Scripted(store, IID_IStream), source_(std::move(source)) {}
    HRESULT Read(void* pv, ULONG cb, ULONG* read) override {
        const std::size_t left = source_.size() - position_;
        const ULONG got = static_cast<ULONG>(std::min<std::size_t>(cb, left));
        store_.calls.push_back("Read(" + std::to_string(cb) + ") " + std::to_string(got));
        if (position_ + got > store_.readFailsAfter)
            return STG_E_READFAULT;
        std::memcpy(pv, source_.data() + position_, got);
        position_ += got;
        *read = got;
        return S_OK;
    }
    HRESULT Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT Clone(IStream**) override { return E_NOTIMPL; }

  private:
    std::string source_;
    std::size_t position_ = 0;
};

std::string IdsOf(const MESSAGEIDLIST* list) {
    std::string ids;
    for (DWORD i = 0; i < list->cMsgs; ++i)
        ids += (i ? " " : "") + std::to_string(list->prgdwMsgId[i]);
    return std::to_string(list->cbSize) + ":" + ids;
}

class ScriptedFolder final : public Scripted<IStoreFolder> {
  public:
    ScriptedFolder(ScriptedStore& store, STOREFOLDERID id)
        : Scripted(store, IID_IStoreFolder), id_(id) {}

    STOREFOLDERID Id() const { return id_; }

    HRESULT GetFolderProps(DWORD, LPFOLDERPROPS) override { return Log("GetFolderProps()"); }
    HRESULT DeleteMessages(LPMESSAGEIDLIST list, DWORD reserved,
                           IProgressNotify* progress) override {
        return Log("DeleteMessages(" + IdsOf(list) + ", " + std::to_string(reserved) + ", " +
                   (progress ? "progress" : "null") + ")");
    }
    HRESULT SetLanguage(DWORD, DWORD, LPMESSAGEIDLIST) override { return Log("SetLanguage()"); }
    // S_OK when a listed message's read state changed, S_FALSE when none did.
    HRESULT MarkMessagesAsRead(BOOL read, DWORD reserved, LPMESSAGEIDLIST list) override {
        const std::string call = "MarkMessagesAsRead(" + std::to_string(read) + ", " +
                                 std::to_string(reserved) + ", " + IdsOf(list) + ")";
        if (store_.answers.count("MarkMessagesAsRead"))
            return Log(call);
        Log(call);
        bool changed = false;
        for (ScriptedMessage& message : store_.folders[id_].mail) {
            for (DWORD i = 0; i < list->cMsgs; ++i) {
                if (message.id != list->prgdwMsgId[i] ||
                    bool(message.flags & MSG_UNREAD) != bool(read))
                    continue;
                message.flags ^= MSG_UNREAD;
                changed = true;
            }
        }
        return changed ? S_OK : S_FALSE;
    }
    HRESULT SetFlags(LPMESSAGEIDLIST, DWORD, DWORD, LPDWORD) override { return Log("SetFlags()"); }
    HRESULT OpenMessage(MESSAGEID id, REFIID riid, LPVOID* object) override {
        *object = nullptr;
        const bool mime = IsEqualIID(riid, IID_IMimeMessage);
        HRESULT hr = Log("OpenMessage(" + std::to_string(id) + ", " +
                         (mime                            ? "IMimeMessage"
                          : IsEqualIID(riid, IID_IStream) ? "IStream"
                                                          : "?") +
                         ")");
        if (FAILED(hr))
            return hr;
        for (const ScriptedMessage& message : store_.folders[id_].mail) {
            if (message.id != id)
                continue;
            if (mime)
                *object = NewScriptedMimeMessage(store_, message.bodies);
            else
                *object = static_cast<IStream*>(new ScriptedSourceStream(store_, message.source));
            return hr;
        }
        return E_INVALIDARG;
    }
    HRESULT SaveMessage(REFIID, LPVOID, DWORD, LPMESSAGEID) override {
        return Log("SaveMessage()");
    }
    HRESULT BatchLock(DWORD, LPHBATCHLOCK) override { return Log("BatchLock()"); }
    HRESULT BatchFlush(DWORD, HBATCHLOCK) override { return Log("BatchFlush()"); }
    HRESULT BatchUnlock(DWORD, HBATCHLOCK) override { return Log("BatchUnlock()"); }
    HRESULT RegisterNotification(DWORD, HWND) override { return Log("RegisterNotification()"); }
    HRESULT UnregisterNotification(DWORD, HWND) override { return Log("UnregisterNotification()"); }
    HRESULT Compact(DWORD) override { return Log("Compact()"); }

    HRESULT CreateStream(HBATCHLOCK lock, DWORD reserved, IStream** stream,
                         LPMESSAGEID id) override {
        HRESULT hr = Log("CreateStream(" + std::string(lock ? "lock" : "null") + ", " +
                         std::to_string(reserved) + ")");
        if (FAILED(hr))
            return hr;
        store_.lastStream = winpal::ComPtr<IStream>::Adopt(new ScriptedStream(store_));
        store_.lastStream->AddRef();
        *stream = store_.lastStream.Get();
        *id = 500;
        return hr;
    }

    HRESULT CommitStream(HBATCHLOCK lock, DWORD flags, DWORD msgFlags, IStream* stream,
                         MESSAGEID id, IMimeMessage* message) override {
        HRESULT hr = Log("CommitStream(" + std::string(lock ? "lock" : "null") + ", " +
                         std::to_string(flags) + ", " + std::to_string(msgFlags) + ", " +
                         (stream == store_.lastStream.Get() ? "stream" : "other") + ", " +
                         std::to_string(id) + ", " + (message ? "message" : "null") + ")");
        if (FAILED(hr))
            return hr;
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        char buffer[4096];
        ULONG read = 0;
        store_.committed.clear();
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0)
            store_.committed.append(buffer, read);
        return hr;
    }

    HRESULT GetFirstMessage(DWORD flags, DWORD msgFlags, MESSAGEID first, LPMESSAGEPROPS props,
                            LPHENUMSTORE handle) override {
        HRESULT hr = Log("GetFirstMessage(" + std::to_string(flags) + ", " +
                         std::to_string(msgFlags) + ", " + std::to_string(first) + ")");
        if (FAILED(hr))
            return hr;
        std::vector<ScriptedMessage> mail = store_.folders[id_].mail;
        if (mail.empty())
            return S_FALSE;
        int number = store_.nextHandle++;
        *handle = reinterpret_cast<HENUMSTORE>(static_cast<std::uintptr_t>(number));
        ++store_.openHandles;
        store_.messageWalks[number] = mail;
        return NextMessage(number, props);
    }

    HRESULT GetNextMessage(HENUMSTORE handle, DWORD flags, LPMESSAGEPROPS props) override {
        HRESULT hr =
            Log("GetNextMessage(" + HandleText(handle) + ", " + std::to_string(flags) + ")");
        if (FAILED(hr))
            return hr;
        return NextMessage(static_cast<int>(reinterpret_cast<std::uintptr_t>(handle)), props);
    }

    HRESULT GetMessageClose(HENUMSTORE handle) override {
        --store_.openHandles;
        return Log("GetMessageClose(" + HandleText(handle) + ")");
    }

    HRESULT GetMessageProps(MESSAGEID id, DWORD flags, LPMESSAGEPROPS props) override {
        HRESULT hr =
            Log("GetMessageProps(" + std::to_string(id) + ", " + std::to_string(flags) + ")");
        if (FAILED(hr))
            return hr;
        for (const ScriptedMessage& message : store_.folders[id_].mail) {
            if (message.id == id) {
                Fill(message, props);
                return hr;
            }
        }
        return E_INVALIDARG;
    }

    HRESULT FreeMessageProps(LPMESSAGEPROPS props) override {
        --store_.unfreedProps;
        for (LPSTR* text : {&props->pszSubject, &props->pszDisplayTo, &props->pszDisplayFrom,
                            &props->pszNormalSubject}) {
            CoTaskMemFree(*text);
            *text = nullptr;
        }
        return Log("FreeMessageProps(" + std::to_string(props->dwMessageId) + ")");
    }

  private:
    HRESULT Log(const std::string& call) {
        std::string method = call.substr(0, call.find('('));
        store_.calls.push_back("[" + std::to_string(id_) + "] " + call);
        return store_.Answer(method);
    }

    HRESULT NextMessage(int number, LPMESSAGEPROPS props) {
        auto& walk = store_.messageWalks[number];
        if (walk.empty())
            return S_FALSE;
        Fill(walk.front(), props);
        walk.erase(walk.begin());
        return S_OK;
    }

    void Fill(const ScriptedMessage& message, LPMESSAGEPROPS props) {
        ++store_.unfreedProps;
        props->dwMessageId = message.id;
        props->dwFlags = message.flags;
        props->cbMessage = message.size;
        props->ftReceived = message.received;
        props->ftSent = message.sent;
        props->pszDisplayFrom = CopyText(message.from);
        props->pszDisplayTo = CopyText(message.to);
        props->pszNormalSubject = CopyText(message.subject);
        props->pszSubject = CopyText("Re: " + message.subject);
    }

    STOREFOLDERID id_;
};

class ScriptedNamespace final : public Scripted<IStoreNamespace> {
  public:
    explicit ScriptedNamespace(ScriptedStore& store) : Scripted(store, IID_IStoreNamespace) {}

    HRESULT Initialize(HWND window, DWORD reserved) override {
        Log("Initialize(" + std::string(window ? "window" : "null") + ", " +
            std::to_string(reserved) + ")");
        return store_.initializeResult;
    }
    HRESULT GetDirectory(LPSTR, DWORD) override { return Log("GetDirectory()"); }
    HRESULT OpenSpecialFolder(SPECIALFOLDER, DWORD, IStoreFolder**) override {
        return Log("OpenSpecialFolder()");
    }
    HRESULT OpenFolder(STOREFOLDERID id, DWORD reserved, IStoreFolder** folder) override {
        *folder = nullptr;
        HRESULT hr =
            Log("OpenFolder(" + std::to_string(id) + ", " + std::to_string(reserved) + ")");
        if (SUCCEEDED(hr))
            *folder = new ScriptedFolder(store_, id);
        return hr;
    }
    HRESULT CreateFolder(STOREFOLDERID parent, LPCSTR name, DWORD reserved,
                         LPSTOREFOLDERID id) override {
        *id = 900;
        return Log("CreateFolder(" + std::to_string(parent) + ", " + Quoted(name) + ", " +
                   std::to_string(reserved) + ")");
    }
    HRESULT RenameFolder(STOREFOLDERID id, DWORD reserved, LPCSTR name) override {
        return Log("RenameFolder(" + std::to_string(id) + ", " + std::to_string(reserved) + ", " +
                   Quoted(name) + ")");
    }
    HRESULT MoveFolder(STOREFOLDERID id, STOREFOLDERID parent, DWORD reserved) override {
        return Log("MoveFolder(" + std::to_string(id) + ", " + std::to_string(parent) + ", " +
                   std::to_string(reserved) + ")");
    }
    HRESULT DeleteFolder(STOREFOLDERID id, DWORD reserved) override {
        return Log("DeleteFolder(" + std::to_string(id) + ", " + std::to_string(reserved) + ")");
    }
    HRESULT GetFolderProps(STOREFOLDERID, DWORD, LPFOLDERPROPS) override {
        return Log("GetFolderProps()");
    }
    HRESULT CopyMoveMessages(IStoreFolder* source, IStoreFolder* destination, LPMESSAGEIDLIST list,
                             DWORD flags, DWORD flagsRemove, IProgressNotify* progress) override {
        char remove[16];
        std::snprintf(remove, sizeof remove, "%08X", flagsRemove);
        return Log("CopyMoveMessages([" +
                   std::to_string(static_cast<ScriptedFolder*>(source)->Id()) + "], [" +
                   std::to_string(static_cast<ScriptedFolder*>(destination)->Id()) + "], " +
                   IdsOf(list) + ", " + std::to_string(flags) + ", " + remove + ", " +
                   (progress ? "progress" : "null") + ")");
    }
    HRESULT RegisterNotification(DWORD, HWND) override { return Log("RegisterNotification()"); }
    HRESULT UnregisterNotification(DWORD, HWND) override { return Log("UnregisterNotification()"); }
    HRESULT CompactAll(DWORD reserved) override {
        return Log("CompactAll(" + std::to_string(reserved) + ")");
    }

    HRESULT GetFirstSubFolder(STOREFOLDERID parent, LPFOLDERPROPS props,
                              LPHENUMSTORE handle) override {
        HRESULT hr = Log("GetFirstSubFolder(" + std::to_string(parent) + ", " +
                         std::to_string(props->cbSize) + ")");
        if (FAILED(hr))
            return hr;
        if (store_.zeroHandleParents.count(parent)) {
            *handle = nullptr;
            return S_OK;
        }
        std::vector<STOREFOLDERID> children = store_.folders[parent].children;
        if (children.empty())
            return S_FALSE;
        int number = store_.nextHandle++;
        *handle = reinterpret_cast<HENUMSTORE>(static_cast<std::uintptr_t>(number));
        ++store_.openHandles;
        store_.folderWalks[number] = children;
        return NextFolder(number, props);
    }
    HRESULT GetNextSubFolder(HENUMSTORE handle, LPFOLDERPROPS props) override {
        HRESULT hr = Log("GetNextSubFolder(" + HandleText(handle) + ")");
        if (FAILED(hr))
            return hr;
        return NextFolder(static_cast<int>(reinterpret_cast<std::uintptr_t>(handle)), props);
    }
    HRESULT GetSubFolderClose(HENUMSTORE handle) override {
        --store_.openHandles;
        return Log("GetSubFolderClose(" + HandleText(handle) + ")");
    }

  private:
    HRESULT Log(const std::string& call) {
        store_.calls.push_back(call);
        return store_.Answer(call.substr(0, call.find('(')));
    }

    HRESULT NextFolder(int number, LPFOLDERPROPS props) {
        auto& walk = store_.folderWalks[number];
        if (walk.empty())
            return S_FALSE;
        const ScriptedStore::Folder& folder = store_.folders[walk.front()];
        walk.erase(walk.begin());
        props->dwFolderId = folder.id;
        props->cMessage = folder.messages;
        props->cSubFolders = static_cast<INT>(folder.children.size());
        std::snprintf(props->szName, sizeof props->szName, "%s", folder.name.c_str());
        return S_OK;
    }
};

class ScriptedFactory final : public IClassFactory {
  public:
    explicit ScriptedFactory(ScriptedStore& store) : store_(store) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG remaining = --refs_;
        if (remaining == 0)
            delete this;
        return remaining;
    }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        store_.calls.push_back("create namespace");
        *ppv = nullptr;
        if (store_.refuseCreate)
            return E_OUTOFMEMORY;
        auto* made = new ScriptedNamespace(store_);
        HRESULT hr = made->QueryInterface(riid, ppv);
        made->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

  private:
    ScriptedStore& store_;
    ULONG refs_ = 1;
};

}  // namespace

ScriptedStore::ScriptedStore() : factory_(new ScriptedFactory(*this)) {
    folders[FOLDERID_ROOT] = Folder{FOLDERID_ROOT, "", 0, {}, {}};
    CoRegisterClassObject(CLSID_StoreNamespace, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &cookie_);
}

ScriptedStore::~ScriptedStore() {
    CoRevokeClassObject(cookie_);
    factory_->Release();
}

void ScriptedStore::AddFolder(STOREFOLDERID parent, STOREFOLDERID id, const std::string& name,
                              DWORD messages) {
    folders[id] = Folder{id, name, messages, {}, {}};
    folders[parent].children.push_back(id);
}

void ScriptedStore::AddMessage(STOREFOLDERID folder, const ScriptedMessage& message) {
    folders[folder].mail.push_back(message);
}

HRESULT ScriptedStore::Answer(const std::string& method) const {
    auto found = answers.find(method);
    return found == answers.end() ? S_OK : found->second;
}

std::string ScriptedStore::CallsText() const {
    std::string text;
    for (const std::string& call : calls)
        text += call + "\n";
    return text;
}

}  // namespace testsupport

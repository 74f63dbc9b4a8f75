#include "store_namespace.h"

#include <cstring>

#include <dbx/schema.h>
#include <winpal/winpal.h>

#include "prefix_lock.h"
#include "store_errors.h"
#include "store_folder.h"
#include "store_root.h"

namespace oestore {
namespace {

HENUMSTORE ToHandle(void* walk) {
    return reinterpret_cast<HENUMSTORE>(walk);
}

bool FolderPropsOk(const FOLDERPROPS* props) {
    return props && props->cbSize == sizeof(FOLDERPROPS);
}

// The store's own folder object behind an IStoreFolder, or null for any other object.
winpal::ComPtr<IStoreFolder> OwnFolder(IStoreFolder* folder, StoreFolder** object) {
    winpal::ComPtr<IStoreFolder> own;
    if (!folder || FAILED(folder->QueryInterface(IID_StoreFolderObject, own.PutVoid()))) {
        return nullptr;
    }
    *object = static_cast<StoreFolder*>(own.Get());
    return own;
}

}  // namespace

HRESULT StoreNamespace::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IStoreNamespace) {
        *ppv = static_cast<IStoreNamespace*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG StoreNamespace::AddRef() {
    return ++refs_;
}

ULONG StoreNamespace::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT StoreNamespace::Initialize(HWND, DWORD) {
    return Guarded([&] {
        // Another program may be making the first identity and store of this prefix right now:
        // wait for it, then find what it made instead of making a second one.
        PrefixLock lock(kPrefixLockWait);
        if (!lock.Held())
            return kStoreBusy;
        std::filesystem::path root;
        if (const HRESULT hr = LocateStoreRoot(&root); FAILED(hr))
            return hr;
        std::error_code error;
        std::filesystem::create_directories(root, error);
        store_ = MailStore::Open(root);
        walks_.clear();
        return S_OK;
    });
}

HRESULT StoreNamespace::GetDirectory(LPSTR pszPath, DWORD cchMaxPath) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    if (!pszPath)
        return E_INVALIDARG;
    const std::string path = winpal::AnsiFromPath(store_->root());
    if (path.size() + 1 > cchMaxPath)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(pszPath, path.c_str(), path.size() + 1);
    return S_OK;
}

HRESULT StoreNamespace::OpenSpecialFolder(SPECIALFOLDER sfType, DWORD dwReserved,
                                          IStoreFolder** ppFolder) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    if (!ppFolder || dwReserved != 0 || sfType < FOLDER_INBOX || sfType > FOLDER_DRAFT) {
        return E_INVALIDARG;
    }
    *ppFolder = nullptr;
    return Guarded([&] { return OpenFolder(store_->SpecialFolder(sfType), 0, ppFolder); });
}

HRESULT StoreNamespace::OpenFolder(STOREFOLDERID dwFolderId, DWORD, IStoreFolder** ppFolder) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    if (!ppFolder)
        return E_INVALIDARG;
    *ppFolder = nullptr;
    if (dwFolderId == FOLDERID_ROOT)
        return E_INVALIDARG;
    return Guarded([&] {
        // Opening reads the mailbox, so that a damaged or foreign file is reported here.
        store_->Mailbox(dwFolderId);
        *ppFolder = new StoreFolder(store_, dwFolderId);
        return S_OK;
    });
}

HRESULT StoreNamespace::CreateFolder(STOREFOLDERID dwParentId, LPCSTR pszName, DWORD,
                                     LPSTOREFOLDERID pdwFolderId) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    if (!pszName)
        return E_INVALIDARG;
    return Guarded([&] { return store_->CreateFolder(dwParentId, pszName, pdwFolderId); });
}

HRESULT StoreNamespace::RenameFolder(STOREFOLDERID dwFolderId, DWORD, LPCSTR pszNewName) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    if (!pszNewName)
        return E_INVALIDARG;
    return Guarded([&] { return store_->RenameFolder(dwFolderId, pszNewName); });
}

HRESULT StoreNamespace::MoveFolder(STOREFOLDERID dwFolderId, STOREFOLDERID dwParentId, DWORD) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    return Guarded([&] { return store_->MoveFolder(dwFolderId, dwParentId); });
}

HRESULT StoreNamespace::DeleteFolder(STOREFOLDERID dwFolderId, DWORD) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    return Guarded([&] { return store_->DeleteFolder(dwFolderId); });
}

HRESULT StoreNamespace::GetFolderProps(STOREFOLDERID dwFolderId, DWORD, LPFOLDERPROPS pProps) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    if (!FolderPropsOk(pProps))
        return E_INVALIDARG;
    return Guarded([&] {
        *pProps = store_->Props(dwFolderId);
        return S_OK;
    });
}

HRESULT StoreNamespace::CopyMoveMessages(IStoreFolder* pSource, IStoreFolder* pDest,
                                         LPMESSAGEIDLIST pMsgIdList, DWORD dwFlags,
                                         DWORD dwFlagsRemove, IProgressNotify*) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    std::vector<uint32_t> ids;
    if (!ReadIdList(pMsgIdList, &ids) || (dwFlags & ~1u))
        return E_INVALIDARG;
    StoreFolder* source = nullptr;
    StoreFolder* destination = nullptr;
    const auto sourceRef = OwnFolder(pSource, &source);
    const auto destinationRef = OwnFolder(pDest, &destination);
    if (!sourceRef || !destinationRef || &source->store() != store_.get() ||
        &destination->store() != store_.get()) {
        return E_INVALIDARG;
    }
    const bool move = dwFlags & 1;
    const FlagChange removal = RecordFlagChange(0, dwFlagsRemove);
    return Guarded([&] {
        dbx::MessageFile& from = store_->Mailbox(source->id());
        for (uint32_t id : ids) {
            if (!from.Find(id))
                return E_INVALIDARG;
        }
        if (move && source->id() == destination->id()) {
            if (from.SetFlags(ids, removal.set, removal.clear) > 0)
                store_->MailboxChanged(source->id());
            return S_OK;
        }
        // The same mailbox when copying within a folder: looking it up again could open it anew
        // and leave `from` behind.
        dbx::MessageFile& to =
            source->id() == destination->id() ? from : store_->Mailbox(destination->id());
        // Every copy is stored before any original is removed: an interruption can leave a
        // message in both folders, never in neither.
        for (uint32_t id : ids) {
            dbx::Record record = from.ReadRecord(id);
            const std::string text = from.ReadText(id);
            record.SetDword(dbx::msgcol::kFlags, removal.Apply(record.Dword(dbx::msgcol::kFlags)));
            to.Append(text, std::move(record));
        }
        store_->MailboxChanged(destination->id());
        if (move) {
            store_->Mailbox(source->id()).Delete(ids);
            store_->MailboxChanged(source->id());
        }
        return S_OK;
    });
}

HRESULT StoreNamespace::RegisterNotification(DWORD, HWND) {
    return E_NOTIMPL;
}
HRESULT StoreNamespace::UnregisterNotification(DWORD, HWND) {
    return E_NOTIMPL;
}

HRESULT StoreNamespace::CompactAll(DWORD) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    return Guarded([&] { return store_->CompactAll(); });
}

HRESULT StoreNamespace::GetFirstSubFolder(STOREFOLDERID dwFolderId, LPFOLDERPROPS pProps,
                                          LPHENUMSTORE phEnum) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    if (!FolderPropsOk(pProps) || !phEnum)
        return E_INVALIDARG;
    *phEnum = nullptr;
    return Guarded([&] {
        auto walk = std::make_unique<FolderWalk>();
        walk->folders = store_->SubFolders(dwFolderId);
        if (walk->folders.empty())
            return S_FALSE;
        *pProps = walk->folders[0];
        walk->next = 1;
        FolderWalk* handle = walk.get();
        walks_[handle] = std::move(walk);
        *phEnum = ToHandle(handle);
        return S_OK;
    });
}

HRESULT StoreNamespace::GetNextSubFolder(HENUMSTORE hEnum, LPFOLDERPROPS pProps) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    auto walk = walks_.find(reinterpret_cast<FolderWalk*>(hEnum));
    if (walk == walks_.end() || !FolderPropsOk(pProps))
        return E_INVALIDARG;
    FolderWalk& folders = *walk->second;
    if (folders.next >= folders.folders.size())
        return S_FALSE;
    *pProps = folders.folders[folders.next++];
    return S_OK;
}

HRESULT StoreNamespace::GetSubFolderClose(HENUMSTORE hEnum) {
    if (!store_)
        return MSOEAPI_E_STORE_INITIALIZE;
    return walks_.erase(reinterpret_cast<FolderWalk*>(hEnum)) ? S_OK : E_INVALIDARG;
}

}  // namespace oestore

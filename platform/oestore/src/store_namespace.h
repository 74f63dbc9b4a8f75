// IStoreNamespace: the folder tree of the store of the identity the mail client starts with.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <oestore/msoeapi.h>

#include "mail_store.h"
#include "module_lock.h"

namespace oestore {

class StoreNamespace final : public IStoreNamespace {
  public:
    StoreNamespace() = default;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // Finds the store through the identity records (making the default identity and store when
    // there is none) and opens it. Fails when the store's Folders.dbx cannot be read.
    HRESULT Initialize(HWND hwndOwner, DWORD dwReserved) override;
    HRESULT GetDirectory(LPSTR pszPath, DWORD cchMaxPath) override;
    HRESULT OpenSpecialFolder(SPECIALFOLDER sfType, DWORD dwReserved,
                              IStoreFolder** ppFolder) override;
    HRESULT OpenFolder(STOREFOLDERID dwFolderId, DWORD dwReserved,
                       IStoreFolder** ppFolder) override;
    HRESULT CreateFolder(STOREFOLDERID dwParentId, LPCSTR pszName, DWORD dwReserved,
                         LPSTOREFOLDERID pdwFolderId) override;
    HRESULT RenameFolder(STOREFOLDERID dwFolderId, DWORD dwReserved, LPCSTR pszNewName) override;
    HRESULT MoveFolder(STOREFOLDERID dwFolderId, STOREFOLDERID dwParentId,
                       DWORD dwReserved) override;
    HRESULT DeleteFolder(STOREFOLDERID dwFolderId, DWORD dwReserved) override;
    HRESULT GetFolderProps(STOREFOLDERID dwFolderId, DWORD dwReserved,
                           LPFOLDERPROPS pProps) override;
    HRESULT CopyMoveMessages(IStoreFolder* pSource, IStoreFolder* pDest, LPMESSAGEIDLIST pMsgIdList,
                             DWORD dwFlags, DWORD dwFlagsRemove,
                             IProgressNotify* pProgress) override;
    HRESULT RegisterNotification(DWORD dwReserved, HWND hwnd) override;
    HRESULT UnregisterNotification(DWORD dwReserved, HWND hwnd) override;
    HRESULT CompactAll(DWORD dwReserved) override;
    HRESULT GetFirstSubFolder(STOREFOLDERID dwFolderId, LPFOLDERPROPS pProps,
                              LPHENUMSTORE phEnum) override;
    HRESULT GetNextSubFolder(HENUMSTORE hEnum, LPFOLDERPROPS pProps) override;
    HRESULT GetSubFolderClose(HENUMSTORE hEnum) override;

  private:
    ~StoreNamespace() = default;

    struct FolderWalk {
        std::vector<FOLDERPROPS> folders;
        size_t next = 0;
    };

    ULONG refs_ = 1;
    ModuleReference module_;
    std::shared_ptr<MailStore> store_;
    std::map<FolderWalk*, std::unique_ptr<FolderWalk>> walks_;
};

}  // namespace oestore

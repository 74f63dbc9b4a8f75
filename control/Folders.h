// CFolders: every folder of the store as one flat list in depth-first order (interface
// IFolders), with the folder operations and the message operations between folders. Linked to
// the control once the control has opened the store; unlinked it is empty and its operations
// answer False without calling the store.
#pragma once

#include <string>

#include <oestore/msoeapi.h>

#include <olectl/object.h>

#include "control/Folder.h"
#include "control/ItemList.h"
#include "control/XEnumVariant.h"

class CQuillboxCtrl;

class CFolders : public olectl::CCmdTarget, public EnumerableCollection {
  public:
    // Automation (IFolders). Positions count from 0, except Item's from 1.
    SHORT GetCount();
    std::string FindFolderName(SHORT iIndex);
    LONG FindFolderID(SHORT iIndex);
    bool DeleteFolder(LONG iFolderID);
    bool MoveFolder(LONG iFolderID, LONG iParentFolderID);
    bool RenameFolder(const std::string& strNewName, LONG iFolderID);
    bool CompactAll(LONG iFlag);
    bool CopyMessage(LONG iMessageID, LONG iDestFolderID);
    bool CreateFolder(const std::string& strFolderName, LONG iParentFolderID);
    void Refresh();
    bool MoveMessage(LONG iMessageID, LONG iDestFolderID);
    bool CreateMessage(LONG iFolderIndex, const std::string& strFromEmail,
                       const std::string& strToEmail, const std::string& strSubject,
                       const std::string& strMessage);
    IDispatch* GetItem(const VARIANT& key);
    IUnknown* GetNewEnum();

    // Operations of the control and the messages collection.
    void SetControl(CQuillboxCtrl* control) { control_ = control; }
    // The folder id at a 0-based position, or the position itself when no folder is there.
    STOREFOLDERID FolderIdAt(LONG index) const;
    void OpenCurrentFolder(STOREFOLDERID folderId);
    void OpenDestinationFolder(STOREFOLDERID folderId);
    void AddFolder(const std::string& name, STOREFOLDERID id, DWORD messageCount,
                   DWORD subFolderCount);
    void ClearFolders() { list_.Clear(); }

    IDispatch* CollectionDispatch() override { return this; }
    std::vector<winpal::ComPtr<IDispatch>> ItemSnapshot() override { return list_.Snapshot(); }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  private:
    IStoreNamespace* Store() const;
    bool CopyOrMoveMessage(LONG iMessageID, LONG iDestFolderID, bool move);

    CQuillboxCtrl* control_ = nullptr;
    ItemList<CFolder> list_;
};

// CQuillboxCtrl: the Quillbox control. Invisible at run time, it opens the mail store when its
// window is created and hands out its collections: the folders of the store, the messages of the
// selected folder and the contacts of the address book.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <oestore/msoeapi.h>
#include <winpal/winpal.h>

#include <olectl/control.h>

class CFolders;
class CMessages;
class CContacts;
class AddressBookConnection;

class CQuillboxCtrl : public olectl::COleControl {
  public:
    CQuillboxCtrl();

    // Automation (_DQuillbox).
    IDispatch* GetFolders();
    SHORT GetFolder() { return folderIndex_; }
    void SetFolder(SHORT value);
    IDispatch* GetMessages();
    IDispatch* GetContacts();
    void AboutBox();

    // Operations of the collections.
    // Adds every folder below `parentId` to the folders collection, depth first.
    void LoadFolderTree(STOREFOLDERID parentId);
    // (Re)opens the default address book and fills the contacts collection from it; with
    // `reopen`, the earlier connection is closed first.
    void LoadAddressBook(bool reopen);
    AddressBookConnection* AddressBook() const { return addressBook_.get(); }
    IStoreNamespace* StoreNamespace() const { return store_.Get(); }
    winpal::ComPtr<IStoreFolder>& CurrentFolder() { return currentFolder_; }
    winpal::ComPtr<IStoreFolder>& DestinationFolder() { return destinationFolder_; }
    // Kept: the documented LoadMessages stores the selected folder index through it.
    void SetFolderIndex(SHORT index) { folderIndex_ = index; }
    CFolders* Folders() const { return folders_.Get(); }
    CMessages* Messages() const { return messages_.Get(); }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  protected:
    ~CQuillboxCtrl() override;

    int OnCreate() override;
    void OnDestroy() override;
    void OnDraw(olectl::DrawContext& dc, const olectl::RECT& bounds,
                const olectl::RECT& invalid) override;
    const char* GetPropertyFrameCaption() const override;
    std::vector<CLSID> GetPropertyPageIds() const override;
    const CLSID& GetControlClassId() const override;
    void DoPropExchange(olectl::CPropExchange* pPX) override;

  private:
    void CreateCollections();
    void DropCollections();
    void LoadFolderTree(STOREFOLDERID parentId, std::vector<STOREFOLDERID>& ancestors);

    void CloseAddressBook();

    // The connection to the address book, and the file name it was opened with (always empty:
    // the user's default address book).
    std::unique_ptr<AddressBookConnection> addressBook_;
    std::optional<std::string> addressBookFileName_;
    winpal::ComPtr<CFolders> folders_;
    winpal::ComPtr<CMessages> messages_;
    winpal::ComPtr<CContacts> contacts_;
    winpal::ComPtr<IStoreNamespace> store_;
    winpal::ComPtr<IStoreFolder> currentFolder_;
    winpal::ComPtr<IStoreFolder> destinationFolder_;
    SHORT folderIndex_ = 0;
};

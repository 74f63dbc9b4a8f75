#include "control/QuillboxCtrl.h"

#include <algorithm>

#include "contacts/AddressBookConnection.h"
#include "contacts/Contacts.h"
#include "control/Folders.h"
#include "control/Quillbox.h"
#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"
#include "control/StoreContract.h"
#include "messages/Messages.h"

namespace {

constexpr DISPID kFolderDispid = 2;

}  // namespace

CQuillboxCtrl::CQuillboxCtrl() {
    CreateCollections();
}

CQuillboxCtrl::~CQuillboxCtrl() {
    // A container that lets go of the control without destroying its window first must not
    // leave the collections pointing at it.
    DropCollections();
    CloseAddressBook();
}

const olectl::DispatchMap& CQuillboxCtrl::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&CQuillboxCtrl::GetFolders, olectl::SetNotSupported>(1),
        olectl::DispProperty<&CQuillboxCtrl::GetFolder, &CQuillboxCtrl::SetFolder>(2),
        olectl::DispProperty<&CQuillboxCtrl::GetMessages, olectl::SetNotSupported>(3),
        olectl::DispProperty<&CQuillboxCtrl::GetContacts, olectl::SetNotSupported>(4),
        olectl::DispMethod<&CQuillboxCtrl::AboutBox>(DISPID_ABOUTBOX),
    };
    return map;
}

const olectl::TypeInfo& CQuillboxCtrl::GetDispatchInterface() const {
    return QuillboxInterface(DIID__DQuillbox);
}

IDispatch* CQuillboxCtrl::GetFolders() {
    return folders_ ? folders_->GetIDispatch() : nullptr;
}

IDispatch* CQuillboxCtrl::GetMessages() {
    return messages_ ? messages_->GetIDispatch() : nullptr;
}

IDispatch* CQuillboxCtrl::GetContacts() {
    return contacts_ ? contacts_->GetIDispatch() : nullptr;
}

void CQuillboxCtrl::SetFolder(SHORT value) {
    SetModifiedFlag();
    if (!AmbientUserMode())
        BoundPropertyChanged(kFolderDispid);
    if (messages_)
        messages_->LoadMessages(value);
    folderIndex_ = value;
}

void CQuillboxCtrl::LoadFolderTree(STOREFOLDERID parentId) {
    std::vector<STOREFOLDERID> ancestors;
    LoadFolderTree(parentId, ancestors);
}

// Each level has its own record and handle. A folder that turns up again below itself (a store
// whose tree has a cycle) is listed but not walked again.
void CQuillboxCtrl::LoadFolderTree(STOREFOLDERID parentId, std::vector<STOREFOLDERID>& ancestors) {
    if (!store_ || !folders_)
        return;
    ancestors.push_back(parentId);
    FOLDERPROPS props = EmptyFolderProps();
    HENUMSTORE handle = nullptr;
    HRESULT hr = store_->GetFirstSubFolder(parentId, &props, &handle);
    while (SUCCEEDED(hr) && hr != S_FALSE) {
        if (!handle) {
            ancestors.pop_back();
            return;
        }
        folders_->AddFolder(FolderName(props), props.dwFolderId, props.cMessage,
                            static_cast<DWORD>(props.cSubFolders));
        if (std::find(ancestors.begin(), ancestors.end(), props.dwFolderId) == ancestors.end())
            LoadFolderTree(props.dwFolderId, ancestors);
        hr = store_->GetNextSubFolder(handle, &props);
    }
    if (handle)
        store_->GetSubFolderClose(handle);
    ancestors.pop_back();
}

int CQuillboxCtrl::OnCreate() {
    if (COleControl::OnCreate() == -1)
        return -1;
    CreateCollections();
    store_ = OpenStoreNamespace();
    if (!store_)
        return 0;
    folders_->SetControl(this);
    messages_->SetControl(this);
    contacts_->SetControl(this);
    LoadFolderTree(FOLDERID_ROOT);
    LoadAddressBook(false);
    return 0;
}

void CQuillboxCtrl::LoadAddressBook(bool reopen) {
    if (reopen)
        CloseAddressBook();
    addressBookFileName_ = std::string();
    addressBook_ = std::make_unique<AddressBookConnection>(*addressBookFileName_);
    if (contacts_)
        addressBook_->LoadContacts(*contacts_.Get());
}

void CQuillboxCtrl::CloseAddressBook() {
    addressBookFileName_.reset();
    addressBook_.reset();
}

void CQuillboxCtrl::OnDestroy() {
    COleControl::OnDestroy();
    store_.Reset();
    currentFolder_.Reset();
    destinationFolder_.Reset();
    DropCollections();
    CloseAddressBook();
}

void CQuillboxCtrl::OnDraw(olectl::DrawContext& dc, const olectl::RECT& bounds,
                           const olectl::RECT&) {
    if (AmbientUserMode()) {
        SetWindowPos(0, 0, 1, 1,
                     olectl::SWP_NOMOVE | olectl::SWP_NOZORDER | olectl::SWP_NOACTIVATE);
        return;
    }
    dc.SetBkMode(olectl::TRANSPARENT);
    dc.FillSolidRect(bounds, olectl::RGB(0, 0, 0));
    dc.SetTextColor(olectl::RGB(255, 0, 0));
    olectl::RECT text = bounds;
    dc.DrawText("Quillbox ActiveX Control", -1, &text,
                olectl::DT_CENTER | olectl::DT_VCENTER | olectl::DT_SINGLELINE);
}

const char* CQuillboxCtrl::GetPropertyFrameCaption() const {
    return "Quillbox Control Properties";
}

std::vector<CLSID> CQuillboxCtrl::GetPropertyPageIds() const {
    return {CLSID_QuillboxPropPage};
}

const CLSID& CQuillboxCtrl::GetControlClassId() const {
    return CLSID_Quillbox;
}

// The control persists no property of its own: its version (older versions are converted) and
// the framework's stock state. Its reset is the framework's (OnResetState is not overridden).
void CQuillboxCtrl::DoPropExchange(olectl::CPropExchange* pPX) {
    ExchangeVersion(pPX, kQuillboxVersion, true);
    COleControl::DoPropExchange(pPX);
}

// The design creates the collections with the control; a window created again after one was
// destroyed gets new ones.
void CQuillboxCtrl::CreateCollections() {
    if (!folders_)
        folders_ = olectl::MakeObject<CFolders>();
    if (!messages_)
        messages_ = olectl::MakeObject<CMessages>();
    if (!contacts_)
        contacts_ = olectl::MakeObject<CContacts>();
}

// A caller may still hold a collection: it is left unlinked and empty.
void CQuillboxCtrl::DropCollections() {
    if (folders_) {
        folders_->SetControl(nullptr);
        folders_->ClearFolders();
        folders_.Reset();
    }
    if (messages_) {
        messages_->SetControl(nullptr);
        messages_->ClearMessages();
        messages_.Reset();
    }
    addressBookFileName_.reset();
    if (contacts_) {
        contacts_->SetControl(nullptr);
        contacts_->ClearContacts();
        contacts_.Reset();
    }
}

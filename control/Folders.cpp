#include "control/Folders.h"

#include <optional>
#include <string>

#include "control/QuillboxCtrl.h"
#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"
#include "control/StoreContract.h"

namespace {

constexpr DWORD kCopy = 0;
constexpr DWORD kMove = 1;

bool LineBreak(char c) {
    return c == '\r' || c == '\n';
}

// A caller's text as the value of one header line. Each run of line breaks (CR, LF) inside it
// becomes a fold (CR LF and a blank), which continues the line instead of starting a header of
// its own; line breaks at either end are dropped. Nothing for a text holding a NUL, which no
// header line may carry.
std::optional<std::string> HeaderValue(const std::string& text) {
    if (text.find('\0') != std::string::npos)
        return std::nullopt;
    size_t begin = 0, end = text.size();
    while (begin < end && LineBreak(text[begin]))
        ++begin;
    while (end > begin && LineBreak(text[end - 1]))
        --end;
    std::string value;
    for (size_t i = begin; i < end; ++i) {
        if (!LineBreak(text[i])) {
            value += text[i];
            continue;
        }
        while (i + 1 < end && LineBreak(text[i + 1]))
            ++i;
        value += "\r\n ";
    }
    return value;
}

}  // namespace

const olectl::DispatchMap& CFolders::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&CFolders::GetCount>(1),
        olectl::DispMethod<&CFolders::FindFolderName>(2),
        olectl::DispMethod<&CFolders::FindFolderID>(3),
        olectl::DispMethod<&CFolders::DeleteFolder>(4),
        olectl::DispMethod<&CFolders::MoveFolder>(5),
        olectl::DispMethod<&CFolders::RenameFolder>(6),
        olectl::DispMethod<&CFolders::CompactAll>(7),
        olectl::DispMethod<&CFolders::CopyMessage>(8),
        olectl::DispMethod<&CFolders::CreateFolder>(9),
        olectl::DispMethod<&CFolders::Refresh>(10),
        olectl::DispMethod<&CFolders::MoveMessage>(11),
        olectl::DispMethod<&CFolders::CreateMessage>(12),
        olectl::DispProperty<&CFolders::GetItem>(13),
        olectl::DispProperty<&CFolders::GetNewEnum>(DISPID_NEWENUM),
    };
    return map;
}

const olectl::TypeInfo& CFolders::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IFolders);
}

IStoreNamespace* CFolders::Store() const {
    return control_ ? control_->StoreNamespace() : nullptr;
}

SHORT CFolders::GetCount() {
    return static_cast<SHORT>(list_.Size());
}

std::string CFolders::FindFolderName(SHORT iIndex) {
    CFolder* folder = list_.At(iIndex);
    return folder ? folder->Name() : std::string();
}

LONG CFolders::FindFolderID(SHORT iIndex) {
    CFolder* folder = list_.At(iIndex);
    return folder ? static_cast<LONG>(folder->Id()) : 0;
}

bool CFolders::DeleteFolder(LONG iFolderID) {
    IStoreNamespace* store = Store();
    return store && SUCCEEDED(store->DeleteFolder(static_cast<STOREFOLDERID>(iFolderID), 0));
}

bool CFolders::MoveFolder(LONG iFolderID, LONG iParentFolderID) {
    IStoreNamespace* store = Store();
    return store && SUCCEEDED(store->MoveFolder(static_cast<STOREFOLDERID>(iFolderID),
                                                static_cast<STOREFOLDERID>(iParentFolderID), 0));
}

bool CFolders::RenameFolder(const std::string& strNewName, LONG iFolderID) {
    IStoreNamespace* store = Store();
    return store && SUCCEEDED(store->RenameFolder(static_cast<STOREFOLDERID>(iFolderID), 0,
                                                  strNewName.c_str()));
}

bool CFolders::CompactAll(LONG iFlag) {
    IStoreNamespace* store = Store();
    return store && SUCCEEDED(store->CompactAll(static_cast<DWORD>(iFlag)));
}

// True only for exactly S_OK; the new folder's id is not reported.
bool CFolders::CreateFolder(const std::string& strFolderName, LONG iParentFolderID) {
    IStoreNamespace* store = Store();
    if (!store)
        return false;
    STOREFOLDERID newId = 0;
    return store->CreateFolder(static_cast<STOREFOLDERID>(iParentFolderID), strFolderName.c_str(),
                               0, &newId) == S_OK;
}

void CFolders::Refresh() {
    ClearFolders();
    if (control_)
        control_->LoadFolderTree(FOLDERID_ROOT);
}

bool CFolders::CopyMessage(LONG iMessageID, LONG iDestFolderID) {
    return CopyOrMoveMessage(iMessageID, iDestFolderID, false);
}

bool CFolders::MoveMessage(LONG iMessageID, LONG iDestFolderID) {
    return CopyOrMoveMessage(iMessageID, iDestFolderID, true);
}

// From the control's current folder. The copy keeps the message's state: every flag the message
// does not have is removed. A message whose properties cannot be read is not copied.
bool CFolders::CopyOrMoveMessage(LONG iMessageID, LONG iDestFolderID, bool move) {
    IStoreNamespace* store = Store();
    if (!store || !control_->CurrentFolder())
        return false;
    IStoreFolder* source = control_->CurrentFolder().Get();
    MESSAGEID id = static_cast<MESSAGEID>(iMessageID);
    MESSAGEPROPS props = EmptyMessageProps();
    if (FAILED(source->GetMessageProps(id, MSGPROPS_FAST, &props)))
        return false;
    DWORD flags = props.dwFlags;
    source->FreeMessageProps(&props);

    OpenDestinationFolder(static_cast<STOREFOLDERID>(iDestFolderID));
    IStoreFolder* destination = control_->DestinationFolder().Get();
    if (!destination)
        return false;
    OneMessageList list(id);
    return store->CopyMoveMessages(source, destination, list.Get(), move ? kMove : kCopy, ~flags,
                                   nullptr) == S_OK;
}

// Stores a plain message built from the four texts in the folder at `iFolderIndex`, which
// becomes the control's current folder. The three header texts cannot add header lines: line
// breaks in them are folded, and a text holding a NUL is refused before anything is done.
bool CFolders::CreateMessage(LONG iFolderIndex, const std::string& strFromEmail,
                             const std::string& strToEmail, const std::string& strSubject,
                             const std::string& strMessage) {
    CFolder* folder = list_.At(iFolderIndex);
    const std::optional<std::string> from = HeaderValue(strFromEmail);
    const std::optional<std::string> to = HeaderValue(strToEmail);
    const std::optional<std::string> subject = HeaderValue(strSubject);
    if (!folder || !control_ || !from || !to || !subject)
        return false;
    OpenCurrentFolder(folder->Id());
    IStoreFolder* target = control_->CurrentFolder().Get();
    if (!target)
        return false;
    std::string text = "From: " + *from + "\r\n" + "To:" + *to + "\r\n" + "Subject:" + *subject +
                       "\r\n\r\n" + strMessage;
    winpal::ComPtr<IStream> stream;
    MESSAGEID newId = 0;
    if (FAILED(target->CreateStream(nullptr, 0, stream.Put(), &newId)) || !stream)
        return false;
    ULONG written = 0;
    if (FAILED(stream->Write(text.data(), static_cast<ULONG>(text.size()), &written)))
        return false;
    return SUCCEEDED(target->CommitStream(nullptr, 0, 0, stream.Get(), newId, nullptr));
}

IDispatch* CFolders::GetItem(const VARIANT& key) {
    return list_.Find(key, [](const CFolder& folder) { return folder.Name(); });
}

IUnknown* CFolders::GetNewEnum() {
    return NewEnum(*this);
}

STOREFOLDERID CFolders::FolderIdAt(LONG index) const {
    CFolder* folder = list_.At(index);
    return folder ? folder->Id() : static_cast<STOREFOLDERID>(index);
}

void CFolders::OpenCurrentFolder(STOREFOLDERID folderId) {
    if (IStoreNamespace* store = Store())
        OpenFolderInto(*store, folderId, control_->CurrentFolder());
}

void CFolders::OpenDestinationFolder(STOREFOLDERID folderId) {
    if (IStoreNamespace* store = Store())
        OpenFolderInto(*store, folderId, control_->DestinationFolder());
}

void CFolders::AddFolder(const std::string& name, STOREFOLDERID id, DWORD messageCount,
                         DWORD subFolderCount) {
    list_.Append(olectl::MakeObject<CFolder>(name, id, messageCount, subFolderCount));
}

#include "messages/Messages.h"

#include "control/Folders.h"
#include "control/QuillboxCtrl.h"
#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"
#include "control/StoreContract.h"
#include "messages/StoreTime.h"

namespace {

std::string Text(LPCSTR text) {
    return text ? std::string(text) : std::string();
}

}  // namespace

const olectl::DispatchMap& CMessages::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&CMessages::GetCount>(1),
        olectl::DispMethod<&CMessages::FindMessageID>(4),
        olectl::DispMethod<&CMessages::Refresh>(7),
        olectl::DispProperty<&CMessages::GetItem>(22),
        olectl::DispProperty<&CMessages::GetNewEnum>(DISPID_NEWENUM),
    };
    return map;
}

const olectl::TypeInfo& CMessages::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IMessages);
}

SHORT CMessages::GetCount() {
    return static_cast<SHORT>(list_.Size());
}

LONG CMessages::FindMessageID(LONG iIndex) {
    CMessage* message = list_.At(iIndex);
    return message ? static_cast<LONG>(message->Record().id) : 0;
}

void CMessages::Refresh() {
    if (control_)
        LoadMessages(control_->GetFolder());
}

IDispatch* CMessages::GetItem(const VARIANT& key) {
    return list_.Find(key, [](const CMessage& message) { return message.Record().subject; });
}

IUnknown* CMessages::GetNewEnum() {
    return NewEnum(*this);
}

void CMessages::LoadMessages(LONG index) {
    ClearMessages();
    if (!control_ || !control_->Folders())
        return;
    CFolders& folders = *control_->Folders();
    folders.OpenCurrentFolder(folders.FolderIdAt(index));
    control_->SetFolderIndex(static_cast<SHORT>(index));
    if (IStoreFolder* folder = control_->CurrentFolder().Get())
        ReadMessages(*folder);
}

// One record for the whole walk; a failure ends it and keeps the messages read so far.
void CMessages::ReadMessages(IStoreFolder& folder) {
    MESSAGEPROPS props = EmptyMessageProps();
    HENUMSTORE handle = nullptr;
    HRESULT hr = folder.GetFirstMessage(0, 0, MESSAGEID_FIRST, &props, &handle);
    while (SUCCEEDED(hr) && hr != S_FALSE) {
        MessageRecord record;
        record.id = props.dwMessageId;
        record.displayFrom = Text(props.pszDisplayFrom);
        record.displayTo = Text(props.pszDisplayTo);
        record.subject = Text(props.pszNormalSubject);
        record.receiveTime = StoreTimeText(props.ftReceived);
        record.sentTime = StoreTimeText(props.ftSent);
        record.size = static_cast<LONG>(props.cbMessage);
        AddMessage(std::move(record));
        folder.FreeMessageProps(&props);
        hr = folder.GetNextMessage(handle, 0, &props);
    }
    if (handle)
        folder.GetMessageClose(handle);
}

void CMessages::AddMessage(MessageRecord record) {
    list_.Append(olectl::MakeObject<CMessage>(std::move(record)));
}

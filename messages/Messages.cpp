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
        olectl::DispProperty<&CMessages::GetCount, olectl::SetNotSupported>(1),
        olectl::DispMethod<&CMessages::FindReturnEmail>(2),
        olectl::DispMethod<&CMessages::FindDeliveredToEmail>(3),
        olectl::DispMethod<&CMessages::FindMessageID>(4),
        olectl::DispMethod<&CMessages::MarkMessagesAsRead>(5),
        olectl::DispMethod<&CMessages::DeleteMessage>(6),
        olectl::DispMethod<&CMessages::Refresh>(7),
        olectl::DispMethod<&CMessages::IsMessagesMarkAsRead>(8),
        olectl::DispMethod<&CMessages::GetMessage>(9),
        olectl::DispMethod<&CMessages::FindDisplayFrom>(10),
        olectl::DispMethod<&CMessages::FindDisplayTo>(11),
        olectl::DispMethod<&CMessages::FindReceiveTime>(12),
        olectl::DispMethod<&CMessages::FindSentDay>(13),
        olectl::DispMethod<&CMessages::FindSize>(14),
        olectl::DispMethod<&CMessages::FindIndexFromSubject>(15),
        olectl::DispMethod<&CMessages::FindSubject>(16),
        olectl::DispMethod<&CMessages::ExtractAttachment>(17),
        olectl::DispMethod<&CMessages::GetAttachmentCount>(18),
        olectl::DispMethod<&CMessages::GetAttachmentName>(19),
        olectl::DispMethod<&CMessages::Save2eml>(20),
        olectl::DispMethod<&CMessages::ViewMessage>(21),
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

IStoreFolder* CMessages::CurrentFolder() const {
    return control_ ? control_->CurrentFolder().Get() : nullptr;
}

const MessageRecord* CMessages::RecordAt(LONG position) const {
    const CMessage* message = list_.At(position);
    return message && CurrentFolder() ? &message->Record() : nullptr;
}

std::string CMessages::TextOf(LONG position, std::string MessageRecord::*field) const {
    const CMessage* message = list_.At(position);
    return message ? message->Record().*field : std::string();
}

LONG CMessages::FindMessageID(LONG iIndex) {
    CMessage* message = list_.At(iIndex);
    return message ? static_cast<LONG>(message->Record().id) : 0;
}

std::string CMessages::FindDisplayFrom(LONG iIndex) {
    return TextOf(iIndex, &MessageRecord::displayFrom);
}

std::string CMessages::FindDisplayTo(LONG iIndex) {
    return TextOf(iIndex, &MessageRecord::displayTo);
}

std::string CMessages::FindReceiveTime(LONG iIndex) {
    return TextOf(iIndex, &MessageRecord::receiveTime);
}

std::string CMessages::FindSentDay(LONG iIndex) {
    return TextOf(iIndex, &MessageRecord::sentTime);
}

std::string CMessages::FindSubject(LONG iIndex) {
    return TextOf(iIndex, &MessageRecord::subject);
}

LONG CMessages::FindSize(LONG iIndex) {
    CMessage* message = list_.At(iIndex);
    return message ? message->Record().size : 0;
}

// A subject no message has answers 0, as a match at the first position does.
LONG CMessages::FindIndexFromSubject(const std::string& strSubject) {
    for (std::size_t position = 0; position < list_.Size(); ++position) {
        if (list_.At(static_cast<LONG>(position))->Record().subject == strSubject)
            return static_cast<LONG>(position);
    }
    return 0;
}

// TRUE when the store took the request, whether or not the state changed (S_OK or S_FALSE);
// a failure code is not reported as success.
bool CMessages::MarkMessagesAsRead(LONG iIndex, bool bRead) {
    const MessageRecord* record = RecordAt(iIndex);
    if (!record)
        return false;
    OneMessageList list(record->id);
    return SUCCEEDED(CurrentFolder()->MarkMessagesAsRead(bRead ? TRUE : FALSE, 0, list.Get()));
}

// The record stays in the list until the next Refresh.
bool CMessages::DeleteMessage(LONG iIndex) {
    const MessageRecord* record = RecordAt(iIndex);
    if (!record)
        return false;
    OneMessageList list(record->id);
    return CurrentFolder()->DeleteMessages(list.Get(), 0, nullptr) == S_OK;
}

// The store has no read-state query: marking the message read answers S_OK only when it was
// unread, and then it is marked unread again.
bool CMessages::IsMessagesMarkAsRead(LONG iIndex) {
    const MessageRecord* record = RecordAt(iIndex);
    if (!record)
        return false;
    IStoreFolder* folder = CurrentFolder();
    OneMessageList list(record->id);
    if (folder->MarkMessagesAsRead(TRUE, 0, list.Get()) != S_OK)
        return true;
    folder->MarkMessagesAsRead(FALSE, 0, list.Get());
    return false;
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

// One record for the whole walk; a failure ends it and keeps the messages read so far. Flags 0
// asks for every property, so that a message's size is the length of its stored text.
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

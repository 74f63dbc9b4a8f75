// CMessages: the messages of the folder last selected through the control's Folder property
// (interface IMessages), in the order the store enumerated them. The list changes only when a
// folder is selected and on Refresh; deleting, copying or moving a message leaves it as it was.
// Every operation on a listed message goes to the control's current folder with the message's
// id.
#pragma once

#include <optional>
#include <string>

#include <mimeole/mimeole.h>
#include <oestore/msoeapi.h>

#include <olectl/object.h>

#include "control/ItemList.h"
#include "control/XEnumVariant.h"
#include "messages/AttachmentList.h"
#include "messages/Message.h"

class CQuillboxCtrl;

class CMessages : public olectl::CCmdTarget, public EnumerableCollection {
  public:
    // Automation (IMessages). Positions count from 0, except Item's from 1. A position without a
    // message answers FALSE, 0, empty text or Nothing and changes nothing.
    SHORT GetCount();
    std::string FindReturnEmail(LONG iIndex);
    std::string FindDeliveredToEmail(LONG iIndex);
    LONG FindMessageID(LONG iIndex);
    bool MarkMessagesAsRead(LONG iIndex, bool bRead);
    bool DeleteMessage(LONG iIndex);
    void Refresh();
    bool IsMessagesMarkAsRead(LONG iIndex);
    std::string GetMessage(LONG iIndex);
    std::string FindDisplayFrom(LONG iIndex);
    std::string FindDisplayTo(LONG iIndex);
    std::string FindReceiveTime(LONG iIndex);
    std::string FindSentDay(LONG iIndex);
    LONG FindSize(LONG iIndex);
    LONG FindIndexFromSubject(const std::string& strSubject);
    std::string FindSubject(LONG iIndex);
    bool ExtractAttachment(LONG iIndex, const std::string& strOutputDir);
    SHORT GetAttachmentCount(LONG iIndex);
    std::string GetAttachmentName(LONG iMsgIndex, LONG iAttachmentIndex);
    bool Save2eml(LONG iIndex, const std::string& strEMLFileName);
    bool ViewMessage(LONG iIndex);
    IDispatch* GetItem(const VARIANT& key);
    IUnknown* GetNewEnum();

    // Operations of the control.
    void SetControl(CQuillboxCtrl* control) { control_ = control; }
    // Empties the list and fills it from the folder at `index` of the folders collection, which
    // becomes the control's current folder.
    void LoadMessages(LONG index);
    void ClearMessages() { list_.Clear(); }
    void AddMessage(MessageRecord record);
    // Kept: a documented operation of the messages collection for the other message services.
    CMessage* MessageAt(LONG position) const { return list_.At(position); }

    // The stored source of a message as narrow text, read from the current folder in pieces; a
    // NUL byte ends the text of the piece it stands in. Nothing when it cannot be read.
    std::optional<std::string> ReadMessageSource(MESSAGEID id);
    // The message's attachment bodies (those the MIME layer marks as attachments), in order;
    // nothing when the message cannot be opened as a MIME message.
    std::optional<AttachmentList> ListAttachments(MESSAGEID id);

    IDispatch* CollectionDispatch() override { return this; }
    std::vector<winpal::ComPtr<IDispatch>> ItemSnapshot() override { return list_.Snapshot(); }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  protected:
    // Deletes the view file written last, if any.
    ~CMessages() override;

  private:
    void ReadMessages(IStoreFolder& folder);
    IStoreFolder* CurrentFolder() const;
    // The listed record at `position` and the folder its operations go to; null when either
    // is missing.
    const MessageRecord* RecordAt(LONG position) const;
    winpal::ComPtr<IStream> OpenSource(MESSAGEID id);
    // The source stream of the message at `position`; null without one.
    winpal::ComPtr<IStream> SourceAt(LONG position);
    std::optional<AttachmentList> AttachmentsAt(LONG position);
    std::string TextOf(LONG position, std::string MessageRecord::*field) const;

    CQuillboxCtrl* control_ = nullptr;
    ItemList<CMessage> list_;
    // The view file ViewMessage wrote last (ANSI path); empty when none.
    std::string viewFile_;
};

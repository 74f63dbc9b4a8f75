// CMessages: the messages of the folder last selected through the control's Folder property
// (interface IMessages), in the order the store enumerated them. The list changes only when a
// folder is selected and on Refresh.
#pragma once

#include <oestore/msoeapi.h>

#include <olectl/object.h>

#include "control/ItemList.h"
#include "control/XEnumVariant.h"
#include "messages/Message.h"

class CQuillboxCtrl;

class CMessages : public olectl::CCmdTarget, public EnumerableCollection {
  public:
    // Automation (IMessages). Positions count from 0, except Item's from 1.
    SHORT GetCount();
    LONG FindMessageID(LONG iIndex);
    void Refresh();
    IDispatch* GetItem(const VARIANT& key);
    IUnknown* GetNewEnum();

    // Operations of the control.
    void SetControl(CQuillboxCtrl* control) { control_ = control; }
    // Empties the list and fills it from the folder at `index` of the folders collection, which
    // becomes the control's current folder.
    void LoadMessages(LONG index);
    void ClearMessages() { list_.Clear(); }
    void AddMessage(MessageRecord record);
    CMessage* MessageAt(LONG position) const { return list_.At(position); }

    IDispatch* CollectionDispatch() override { return this; }
    std::vector<winpal::ComPtr<IDispatch>> ItemSnapshot() override { return list_.Snapshot(); }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  private:
    void ReadMessages(IStoreFolder& folder);

    CQuillboxCtrl* control_ = nullptr;
    ItemList<CMessage> list_;
};

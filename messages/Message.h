// CMessage: one message of the selected folder as the messages collection lists it (interface
// IMessage). Its properties are read-only.
#pragma once

#include <string>

#include <oestore/msoeapi.h>

#include <olectl/object.h>

struct MessageRecord {
    MESSAGEID id = 0;
    std::string displayFrom;
    std::string displayTo;
    std::string subject;
    std::string receiveTime;
    std::string sentTime;
    LONG size = 0;
};

class CMessage : public olectl::CCmdTarget {
  public:
    explicit CMessage(MessageRecord record) : record_(std::move(record)) {}

    std::string GetSubject() { return record_.subject; }
    std::string GetReceiveTime() { return record_.receiveTime; }
    std::string GetSentTime() { return record_.sentTime; }
    std::string GetDisplayFrom() { return record_.displayFrom; }
    std::string GetDisplayTo() { return record_.displayTo; }
    LONG GetSize() { return record_.size; }

    const MessageRecord& Record() const { return record_; }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  private:
    MessageRecord record_;
};

#include "messages/Message.h"

#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"

const olectl::DispatchMap& CMessage::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&CMessage::GetSubject>(1),
        olectl::DispProperty<&CMessage::GetReceiveTime>(2),
        olectl::DispProperty<&CMessage::GetSentTime>(3),
        olectl::DispProperty<&CMessage::GetDisplayFrom>(4),
        olectl::DispProperty<&CMessage::GetDisplayTo>(5),
        olectl::DispProperty<&CMessage::GetSize>(6),
    };
    return map;
}

const olectl::TypeInfo& CMessage::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IMessage);
}

#include "messages/Message.h"

#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"

const olectl::DispatchMap& CMessage::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&CMessage::GetSubject, olectl::SetNotSupported>(1),
        olectl::DispProperty<&CMessage::GetReceiveTime, olectl::SetNotSupported>(2),
        olectl::DispProperty<&CMessage::GetSentTime, olectl::SetNotSupported>(3),
        olectl::DispProperty<&CMessage::GetDisplayFrom, olectl::SetNotSupported>(4),
        olectl::DispProperty<&CMessage::GetDisplayTo, olectl::SetNotSupported>(5),
        olectl::DispProperty<&CMessage::GetSize, olectl::SetNotSupported>(6),
    };
    return map;
}

const olectl::TypeInfo& CMessage::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IMessage);
}

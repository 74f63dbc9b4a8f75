#include "control/Folder.h"

#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"

const olectl::DispatchMap& CFolder::GetDispatchMap() const {
    static const olectl::DispatchMap map{olectl::DispProperty<&CFolder::GetName>(1)};
    return map;
}

const olectl::TypeInfo& CFolder::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IFolder);
}

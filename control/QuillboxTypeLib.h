// QUILLBOXLib: the type library Quillbox holds as its TYPELIB resource 1.
#pragma once

#include <olectl/typelib.h>

const olectl::TypeLibInfo& QuillboxTypeLib();
// The dispinterface `iid` of QUILLBOXLib (which must hold it).
const olectl::TypeInfo& QuillboxInterface(const GUID& iid);

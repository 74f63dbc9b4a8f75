// QUILLBOXLib. It lists, in this order, the dispinterfaces and classes of the library; each
// dispinterface lists the members the library implements.
#include "control/QuillboxTypeLib.h"

#include "control/Quillbox.h"
#include "control/QuillboxIds.h"

namespace {

using olectl::MemberInfo;
using olectl::MemberKind;
using olectl::TypeInfo;
using olectl::TypeKind;

constexpr WORD kReadOnly = olectl::VARFLAG_FREADONLY;
constexpr WORD kRestricted = olectl::FUNCFLAG_FRESTRICTED;
constexpr WORD kDispatchable = olectl::TYPEFLAG_FDISPATCHABLE;
constexpr WORD kCreatable = olectl::TYPEFLAG_FCANCREATE;

MemberInfo Count(VARTYPE type) {
    return {1, "Count", MemberKind::Property, type, {}, kReadOnly};
}

MemberInfo Item(DISPID id) {
    return {id, "Item", MemberKind::PropertyGet, VT_DISPATCH, {{"Key", VT_VARIANT}}};
}

MemberInfo NewEnum() {
    return {DISPID_NEWENUM, "_NewEnum", MemberKind::PropertyGet, VT_UNKNOWN, {}, kRestricted};
}

MemberInfo TextProperty(DISPID id, const char* name) {
    return {id, name, MemberKind::Property, VT_BSTR, {}, kReadOnly};
}

TypeInfo Dispinterface(const char* name, const GUID& iid, std::vector<MemberInfo> members,
                       WORD extraFlags = 0, const char* helpString = "") {
    return {
        TypeKind::Dispatch, name, iid, static_cast<WORD>(kDispatchable | extraFlags), helpString,
        std::move(members), {}};
}

TypeInfo CoClass(const char* name, const GUID& clsid, const char* dispinterface) {
    return {TypeKind::CoClass,
            name,
            clsid,
            kCreatable,
            "",
            {},
            {{dispinterface, olectl::IMPLTYPEFLAG_FDEFAULT}}};
}

std::vector<MemberInfo> FoldersMembers() {
    return {
        Count(VT_I2),
        {2, "FindFolderName", MemberKind::Method, VT_BSTR, {{"iIndex", VT_I2}}},
        {3, "FindFolderID", MemberKind::Method, VT_I4, {{"iIndex", VT_I2}}},
        {4, "DeleteFolder", MemberKind::Method, VT_BOOL, {{"iFolderID", VT_I4}}},
        {5,
         "MoveFolder",
         MemberKind::Method,
         VT_BOOL,
         {{"iFolderID", VT_I4}, {"iParentFolderID", VT_I4}}},
        {6,
         "RenameFolder",
         MemberKind::Method,
         VT_BOOL,
         {{"strNewName", VT_BSTR}, {"iFolderID", VT_I4}}},
        {7, "CompactAll", MemberKind::Method, VT_BOOL, {{"iFlag", VT_I4}}},
        {8,
         "CopyMessage",
         MemberKind::Method,
         VT_BOOL,
         {{"iMessageID", VT_I4}, {"iDestFolderID", VT_I4}}},
        {9,
         "CreateFolder",
         MemberKind::Method,
         VT_BOOL,
         {{"strFolderName", VT_BSTR}, {"iParentFolderID", VT_I4}}},
        {10, "Refresh", MemberKind::Method, VT_EMPTY, {}},
        {11,
         "MoveMessage",
         MemberKind::Method,
         VT_BOOL,
         {{"iMessageID", VT_I4}, {"iDestFolderID", VT_I4}}},
        {12,
         "CreateMessage",
         MemberKind::Method,
         VT_BOOL,
         {{"iFolderIndex", VT_I4},
          {"strFromEmail", VT_BSTR},
          {"strToEmail", VT_BSTR},
          {"strSubject", VT_BSTR},
          {"strMessage", VT_BSTR}}},
        Item(13),
        NewEnum(),
    };
}

std::vector<MemberInfo> MessagesMembers() {
    return {
        Count(VT_I2),
        {4, "FindMessageID", MemberKind::Method, VT_I4, {{"iIndex", VT_I4}}},
        {7, "Refresh", MemberKind::Method, VT_EMPTY, {}},
        Item(22),
        NewEnum(),
    };
}

std::vector<MemberInfo> ControlMembers() {
    return {
        {1, "Folders", MemberKind::Property, VT_DISPATCH, {}},
        {2, "Folder", MemberKind::Property, VT_I2, {}},
        {3, "Messages", MemberKind::Property, VT_DISPATCH, {}},
        {4, "Contacts", MemberKind::Property, VT_DISPATCH, {}},
        {DISPID_ABOUTBOX, "AboutBox", MemberKind::Method, VT_EMPTY, {}},
    };
}

std::vector<MemberInfo> MessageMembers() {
    return {
        TextProperty(1, "Subject"),   TextProperty(2, "ReceiveTime"),
        TextProperty(3, "SentTime"),  TextProperty(4, "DisplayFrom"),
        TextProperty(5, "DisplayTo"), {6, "Size", MemberKind::Property, VT_I4, {}, kReadOnly},
    };
}

olectl::TypeLibInfo MakeTypeLib() {
    TypeInfo control{
        TypeKind::CoClass,
        "Quillbox",
        CLSID_Quillbox,
        static_cast<WORD>(kCreatable | olectl::TYPEFLAG_FCONTROL),
        "Quillbox Control",
        {},
        {{"_DQuillbox", olectl::IMPLTYPEFLAG_FDEFAULT},
         {"_DQuillboxEvents", olectl::IMPLTYPEFLAG_FDEFAULT | olectl::IMPLTYPEFLAG_FSOURCE}}};
    return {"QUILLBOXLib",
            LIBID_QUILLBOXLib,
            kQuillboxTypeLibMajor,
            kQuillboxTypeLibMinor,
            1033,
            0,
            "Quillbox ActiveX Control",
            "Quillbox.hlp",
            {
                Dispinterface("IMessages", DIID_IMessages, MessagesMembers()),
                Dispinterface("IFolders", DIID_IFolders, FoldersMembers()),
                Dispinterface("IContacts", DIID_IContacts, {Count(VT_I4), Item(21), NewEnum()}),
                Dispinterface("_DQuillbox", DIID__DQuillbox, ControlMembers(),
                              olectl::TYPEFLAG_FHIDDEN, "Dispatch interface for Quillbox Control"),
                Dispinterface("_DQuillboxEvents", DIID__DQuillboxEvents, {}, 0,
                              "Event interface for Quillbox Control"),
                control,
                CoClass("Folders", CLSID_Folders, "IFolders"),
                Dispinterface("IFolder", DIID_IFolder, {TextProperty(1, "Name")}),
                CoClass("Folder", CLSID_Folder, "IFolder"),
                CoClass("Messages", CLSID_Messages, "IMessages"),
                Dispinterface("IMessage", DIID_IMessage, MessageMembers()),
                CoClass("Message", CLSID_Message, "IMessage"),
                Dispinterface("IEnumMessages", DIID_IEnumMessages, {}),
                CoClass("EnumMessages", CLSID_EnumMessages, "IEnumMessages"),
                Dispinterface("IAddressBooks", DIID_IAddressBooks, {}),
                CoClass("AddressBooks", CLSID_AddressBooks, "IAddressBooks"),
                Dispinterface("IAddress", DIID_IAddress, {}),
                CoClass("Address", CLSID_Address, "IAddress"),
                CoClass("Contacts", CLSID_Contacts, "IContacts"),
                Dispinterface("IContact", DIID_IContact, {}),
                CoClass("Contact", CLSID_Contact, "IContact"),
                Dispinterface("IEnumContacts", DIID_IEnumContacts, {}),
                CoClass("EnumContacts", CLSID_EnumContacts, "IEnumContacts"),
                Dispinterface("IEnumFolders", DIID_IEnumFolders, {}),
                CoClass("EnumFolders", CLSID_EnumFolders, "IEnumFolders"),
            }};
}

}  // namespace

const olectl::TypeLibInfo& QuillboxTypeLib() {
    static const olectl::TypeLibInfo lib = MakeTypeLib();
    return lib;
}

const olectl::TypeInfo& QuillboxInterface(const GUID& iid) {
    return *QuillboxTypeLib().Find(iid);
}

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

// A property without a setter is read-only in the type library; one whose setter refuses with
// the not-supported error is an ordinary property there.
MemberInfo Count(VARTYPE type, WORD flags = kReadOnly) {
    return {1, "Count", MemberKind::Property, type, {}, flags};
}

MemberInfo Item(DISPID id) {
    return {id, "Item", MemberKind::PropertyGet, VT_DISPATCH, {{"Key", VT_VARIANT}}};
}

MemberInfo NewEnum() {
    return {DISPID_NEWENUM, "_NewEnum", MemberKind::PropertyGet, VT_UNKNOWN, {}, kRestricted};
}

MemberInfo TextProperty(DISPID id, const char* name, WORD flags = kReadOnly) {
    return {id, name, MemberKind::Property, VT_BSTR, {}, flags};
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

MemberInfo ByPosition(DISPID id, const char* name, VARTYPE result) {
    return {id, name, MemberKind::Method, result, {{"iIndex", VT_I4}}};
}

std::vector<MemberInfo> MessagesMembers() {
    return {
        Count(VT_I2, 0),
        ByPosition(2, "FindReturnEmail", VT_BSTR),
        ByPosition(3, "FindDeliveredToEmail", VT_BSTR),
        ByPosition(4, "FindMessageID", VT_I4),
        {5,
         "MarkMessagesAsRead",
         MemberKind::Method,
         VT_BOOL,
         {{"iIndex", VT_I4}, {"bRead", VT_BOOL}}},
        ByPosition(6, "DeleteMessage", VT_BOOL),
        {7, "Refresh", MemberKind::Method, VT_EMPTY, {}},
        ByPosition(8, "IsMessagesMarkAsRead", VT_BOOL),
        ByPosition(9, "GetMessage", VT_BSTR),
        ByPosition(10, "FindDisplayFrom", VT_BSTR),
        ByPosition(11, "FindDisplayTo", VT_BSTR),
        ByPosition(12, "FindReceiveTime", VT_BSTR),
        ByPosition(13, "FindSentDay", VT_BSTR),
        ByPosition(14, "FindSize", VT_I4),
        {15, "FindIndexFromSubject", MemberKind::Method, VT_I4, {{"strSubject", VT_BSTR}}},
        ByPosition(16, "FindSubject", VT_BSTR),
        {17,
         "ExtractAttachment",
         MemberKind::Method,
         VT_BOOL,
         {{"iIndex", VT_I4}, {"strOutputDir", VT_BSTR}}},
        ByPosition(18, "GetAttachmentCount", VT_I2),
        {19,
         "GetAttachmentName",
         MemberKind::Method,
         VT_BSTR,
         {{"iMsgIndex", VT_I4}, {"iAttachmentIndex", VT_I4}}},
        {20,
         "Save2eml",
         MemberKind::Method,
         VT_BOOL,
         {{"iIndex", VT_I4}, {"strEMLFileName", VT_BSTR}}},
        ByPosition(21, "ViewMessage", VT_BOOL),
        Item(22),
        NewEnum(),
    };
}

std::vector<MemberInfo> ContactsMembers() {
    std::vector<MemberInfo> members{
        Count(VT_I4, 0),
        ByPosition(2, "FindName", VT_BSTR),
        ByPosition(3, "ShowProperties", VT_EMPTY),
        ByPosition(4, "DeleteContact", VT_BOOL),
        {5, "Refresh", MemberKind::Method, VT_EMPTY, {}},
        {6, "NewContactFromUI", MemberKind::Method, VT_EMPTY, {}},
        {7,
         "NewContact",
         MemberKind::Method,
         VT_BOOL,
         {{"strContactName", VT_BSTR},
          {"strEmail", VT_BSTR},
          {"strBusTelNo", VT_BSTR},
          {"strBusFaxNo", VT_BSTR},
          {"strBusHomePage", VT_BSTR},
          {"strHomeTelNo", VT_BSTR},
          {"strHomeFaxNo", VT_BSTR},
          {"strPager", VT_BSTR},
          {"strMobile", VT_BSTR},
          {"strPerHomePage", VT_BSTR},
          {"strJobTitle", VT_BSTR},
          {"strDepartment", VT_BSTR},
          {"strOffice", VT_BSTR},
          {"strCompanyName", VT_BSTR}}},
    };
    const char* finders[] = {
        "FindEmail",  "FindBusinessPhone", "FindHomePhone",       "FindHomeFax",  "FindBusinessFax",
        "FindPager",  "FindMobile",        "FindPersonalWebPage", "FindJobTitle", "FindDepartment",
        "FindOffice", "FindCompanyName",   "FindBusinessWebPage"};
    DISPID id = 8;
    for (const char* finder : finders)
        members.push_back(ByPosition(id++, finder, VT_BSTR));
    members.push_back(Item(21));
    members.push_back(NewEnum());
    return members;
}

std::vector<MemberInfo> ContactMembers() {
    const char* names[] = {"Name",        "Email",  "BusinessPhone", "HomePhone",       "HomeFax",
                           "BusinessFax", "Pager",  "Mobile",        "PersonalWebPage", "JobTitle",
                           "Department",  "Office", "CompanyName",   "BusinessWebPage"};
    std::vector<MemberInfo> members;
    DISPID id = 1;
    for (const char* name : names)
        members.push_back(TextProperty(id++, name, 0));
    return members;
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
        TextProperty(1, "Subject", 0),   TextProperty(2, "ReceiveTime", 0),
        TextProperty(3, "SentTime", 0),  TextProperty(4, "DisplayFrom", 0),
        TextProperty(5, "DisplayTo", 0), {6, "Size", MemberKind::Property, VT_I4, {}},
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
                Dispinterface("IContacts", DIID_IContacts, ContactsMembers()),
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
                Dispinterface("IContact", DIID_IContact, ContactMembers()),
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

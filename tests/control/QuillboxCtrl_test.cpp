// The control: window lifecycle over the store, collection properties, the Folder property,
// drawing, and the type library against the dispatch maps.
#include <gtest/gtest.h>

#include <olectl/interfaces.h>
#include <property_bag.h>

#include "QuillboxFixture.h"
#include "contacts/Contacts.h"
#include "control/Folders.h"
#include "control/QuillboxCtrl.h"
#include "control/QuillboxTypeLib.h"
#include "messages/Messages.h"

namespace testsupport {
namespace {

using olectl::Metafile;
using winpal::Variant;

std::vector<std::string> Names(IDispatch* folders) {
    std::vector<std::string> names;
    LONG count = NumberOf(CallByName(folders, u"Count"));
    for (LONG i = 0; i < count; ++i)
        names.push_back(TextOf(CallByName(folders, u"FindFolderName", {Variant::I4(i)})));
    return names;
}

class QuillboxCtrlTest : public QuillboxFixture {};

// The control persists its version, 1.0, and the framework's stock state, nothing of its own;
// older versions are converted, newer ones refused; its reset is the framework's.
TEST_F(QuillboxCtrlTest, PersistenceHoldsTheVersionAndTheStockStateOnly) {
    Open();
    winpal::ComPtr<IDispatch> control = winpal::ComPtr<IDispatch>::Share(Control());
    winpal::ComPtr<IPersistPropertyBag> bag;
    winpal::ComPtr<IPersistStreamInit> stream;
    ASSERT_EQ(control.As(IID_IPersistPropertyBag, &bag), S_OK);
    ASSERT_EQ(control.As(IID_IPersistStreamInit, &stream), S_OK);
    CLSID clsid{};
    ASSERT_EQ(stream->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Quillbox);

    MemoryPropertyBag saved;
    ASSERT_EQ(bag->Save(&saved, TRUE, TRUE), S_OK);
    std::vector<std::u16string> names;
    for (const auto& [name, value] : saved.values)
        names.push_back(name);
    EXPECT_EQ(names,
              (std::vector<std::u16string>{u"_ExtentX", u"_ExtentY", u"_StockProps", u"_Version"}));
    EXPECT_EQ(saved.values[u"_Version"].Ptr()->lVal, 0x10000);
    EXPECT_EQ(saved.values[u"_StockProps"].Ptr()->lVal, 0);
    ULARGE_INTEGER size{};
    ASSERT_EQ(stream->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 16u);

    auto* quillbox = static_cast<CQuillboxCtrl*>(static_cast<olectl::CCmdTarget*>(Control()));
    saved.values[u"_Version"] = Variant::I4(0);
    saved.values[u"_ExtentX"] = Variant::I4(847);
    EXPECT_EQ(bag->Load(&saved, nullptr), S_OK) << "an older version is converted";
    EXPECT_EQ(quillbox->GetVersionLoaded(), 0u);
    EXPECT_EQ(quillbox->ExtentX(), 847);
    saved.values[u"_Version"] = Variant::I4(0x20000);
    EXPECT_EQ(bag->Load(&saved, nullptr), E_FAIL) << "a newer version is refused";
    EXPECT_EQ(stream->InitNew(), S_OK);
    EXPECT_EQ(quillbox->GetVersionLoaded(), 0x10000u);
    EXPECT_EQ(quillbox->ExtentX(), olectl::COleControl::kDefaultExtentX);
    EXPECT_EQ(stream->IsDirty(), S_FALSE);
    // The collections are untouched by persistence.
    EXPECT_TRUE(ObjectOf(CallByName(Control(), u"Folders")));
}

TEST_F(QuillboxCtrlTest, WindowCreationOpensTheStoreAndWalksTheTreeDepthFirst) {
    AddSampleTree();
    Open();
    EXPECT_EQ(store.CallsText(),
              "create namespace\n"
              "Initialize(null, 0)\n"
              "GetFirstSubFolder(0, 280)\n"
              "GetFirstSubFolder(1, 280)\n"
              "GetFirstSubFolder(2, 280)\n"
              "GetNextSubFolder(h2)\n"
              "GetFirstSubFolder(3, 280)\n"
              "GetNextSubFolder(h2)\n"
              "GetSubFolderClose(h2)\n"
              "GetNextSubFolder(h1)\n"
              "GetFirstSubFolder(4, 280)\n"
              "GetNextSubFolder(h1)\n"
              "GetSubFolderClose(h1)\n");
    auto folders = Folders();
    EXPECT_EQ(Names(folders.Get()), (std::vector<std::string>{"A", "A1", "A2", "B"}));
    EXPECT_EQ(NumberOf(CallByName(folders.Get(), u"FindFolderID", {Variant::I4(3)})), 4);
}

TEST_F(QuillboxCtrlTest, WithoutANamespaceTheCollectionsStayEmptyAndUnlinked) {
    AddSampleTree();
    store.refuseCreate = true;
    Open();
    EXPECT_EQ(store.CallsText(), "create namespace\n");
    auto folders = Folders();
    EXPECT_EQ(NumberOf(CallByName(folders.Get(), u"Count")), 0);
    CallByName(folders.Get(), u"Refresh");
    EXPECT_FALSE(BooleanOf(
        CallByName(folders.Get(), u"CreateFolder", {Variant::Utf8("x"), Variant::I4(0)})));
    EXPECT_FALSE(BooleanOf(CallByName(folders.Get(), u"DeleteFolder", {Variant::I4(1)})));
    EXPECT_EQ(CallByName(folders.Get(), u"Item", {Variant::I4(1)}).Ptr()->pdispVal, nullptr);
    EXPECT_EQ(TextOf(CallByName(folders.Get(), u"FindFolderName", {Variant::I4(0)})), "");
    EXPECT_EQ(NumberOf(CallByName(folders.Get(), u"FindFolderID", {Variant::I4(0)})), 0);
    SelectFolder(2);
    EXPECT_EQ(NumberOf(CallByName(Messages().Get(), u"Count")), 0);
    EXPECT_EQ(NumberOf(CallByName(Control(), u"Folder")), 2);
    EXPECT_EQ(store.CallsText(), "create namespace\n");
}

TEST_F(QuillboxCtrlTest, FailedInitializeReleasesTheNamespace) {
    AddSampleTree();
    store.initializeResult = E_FAIL;
    Open();
    EXPECT_EQ(store.CallsText(), "create namespace\nInitialize(null, 0)\n");
    EXPECT_EQ(store.liveObjects, 0);
    CallByName(Folders().Get(), u"Refresh");
    EXPECT_EQ(store.calls.size(), 2u);
}

TEST_F(QuillboxCtrlTest, ZeroHandleEndsTheLevelWithoutAClose) {
    AddSampleTree();
    store.zeroHandleParents = {1};
    Open();
    EXPECT_EQ(Names(Folders().Get()), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(store.CallsText(),
              "create namespace\n"
              "Initialize(null, 0)\n"
              "GetFirstSubFolder(0, 280)\n"
              "GetFirstSubFolder(1, 280)\n"
              "GetNextSubFolder(h1)\n"
              "GetFirstSubFolder(4, 280)\n"
              "GetNextSubFolder(h1)\n"
              "GetSubFolderClose(h1)\n");
}

TEST_F(QuillboxCtrlTest, FailedWalkKeepsWhatWasListedAndClosesItsHandles) {
    AddSampleTree();
    store.answers["GetNextSubFolder"] = E_FAIL;
    Open();
    EXPECT_EQ(Names(Folders().Get()), (std::vector<std::string>{"A", "A1"}));
}

TEST_F(QuillboxCtrlTest, FolderThatContainsItselfIsNotWalkedAgain) {
    store.AddFolder(0, 1, "Loop");
    store.folders[1].children.push_back(1);
    Open();
    EXPECT_EQ(Names(Folders().Get()), (std::vector<std::string>{"Loop", "Loop"}));
}

TEST_F(QuillboxCtrlTest, WindowDestructionReleasesTheStoreAndEmptiesHeldCollections) {
    AddSampleTree();
    store.AddMessage(1, Mail(7));
    Open();
    auto folders = Folders();
    SelectFolder(0);
    EXPECT_TRUE(
        BooleanOf(CallByName(folders.Get(), u"CopyMessage", {Variant::I4(7), Variant::I4(4)})));
    EXPECT_GT(store.liveObjects, 0);
    ASSERT_EQ(site->DestroyControlWindow(), S_OK);
    EXPECT_EQ(store.liveObjects, 0);
    // A caller that kept the collection finds it empty and unlinked.
    store.calls.clear();
    EXPECT_EQ(NumberOf(CallByName(folders.Get(), u"Count")), 0);
    CallByName(folders.Get(), u"Refresh");
    EXPECT_TRUE(store.calls.empty());
}

TEST_F(QuillboxCtrlTest, WindowCreatedAgainGetsNewCollections) {
    AddSampleTree();
    Open();
    ASSERT_EQ(site->DestroyControlWindow(), S_OK);
    ASSERT_EQ(site->CreateControlWindow(), S_OK);
    EXPECT_EQ(NumberOf(CallByName(Folders().Get(), u"Count")), 4);
}

TEST_F(QuillboxCtrlTest, CollectionPropertiesHandOutOneObjectAndCannotBeSet) {
    Open();
    for (const char16_t* name : {u"Folders", u"Messages", u"Contacts"}) {
        auto first = ObjectOf(CallByName(Control(), name));
        auto second = ObjectOf(CallByName(Control(), name));
        EXPECT_EQ(first.Get(), second.Get());
        // The collection's own, the two callers', and this one.
        EXPECT_EQ(first->AddRef(), 4u);
        first->Release();

        EXCEPINFO info{};
        EXPECT_EQ(winpal::DispatchCall(Control(), DispidOf(Control(), name), DISPATCH_PROPERTYPUT,
                                       {Variant::Dispatch(nullptr)}, nullptr, &info),
                  DISP_E_EXCEPTION);
        EXPECT_EQ(info.scode, CTL_E_SETNOTSUPPORTED);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        EXPECT_EQ(ObjectOf(CallByName(Control(), name)).Get(), first.Get());
    }
}

// No address-book library is registered here, and none is found under its default name.
TEST_F(QuillboxCtrlTest, ContactsCollectionWithoutAnAddressBookIsEmpty) {
    Open();
    auto contacts = ObjectOf(CallByName(Control(), u"Contacts"));
    Variant count = CallByName(contacts.Get(), u"Count");
    EXPECT_EQ(count.Type(), VT_I4);
    EXPECT_EQ(count.Ptr()->lVal, 0);
    EXPECT_EQ(CallByName(contacts.Get(), u"Item", {Variant::I4(1)}).Ptr()->pdispVal, nullptr);
    Variant enumerator;
    ASSERT_EQ(
        winpal::DispatchCall(contacts.Get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, {}, &enumerator),
        S_OK);
    winpal::ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(
        winpal::ComPtr<IUnknown>::Share(enumerator.Ptr()->punkVal).As(IID_IEnumVARIANT, &items),
        S_OK);
    Variant item;
    ULONG fetched = 9;
    EXPECT_EQ(items->Next(1, item.Ptr(), &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(RaisedBy(contacts.Get(), 1, DISPATCH_PROPERTYPUT, {Variant::I4(3)}),
              CTL_E_SETNOTSUPPORTED);
}

TEST_F(QuillboxCtrlTest, FolderPropertyMarksModifiedAndTellsADesignModeContainer) {
    Open();
    auto* control = static_cast<CQuillboxCtrl*>(static_cast<olectl::CCmdTarget*>(Control()));
    EXPECT_FALSE(control->IsModified());
    SelectFolder(3);
    EXPECT_TRUE(control->IsModified());
    EXPECT_TRUE(site->ChangedProperties().empty());
    site->SetUserMode(false);
    SelectFolder(1);
    EXPECT_EQ(site->ChangedProperties(), std::vector<DISPID>{2});
    Variant folder = CallByName(Control(), u"Folder");
    EXPECT_EQ(folder.Type(), VT_I2);
    EXPECT_EQ(folder.Ptr()->iVal, 1);
    EXPECT_EQ(winpal::DispatchCall(Control(), 2, DISPATCH_PROPERTYPUT, {Variant::I4(40000)}),
              DISP_E_OVERFLOW);
}

TEST_F(QuillboxCtrlTest, DrawsItsNameInDesignModeAndShrinksInRunMode) {
    Open();
    site->SetUserMode(false);
    Metafile design = site->Paint();
    ASSERT_EQ(design.Records().size(), 4u);
    olectl::RECT bounds{0, 0, 241, 17};
    EXPECT_EQ(design.Records()[0].call, Metafile::Call::SetBkMode);
    EXPECT_EQ(design.Records()[0].mode, olectl::TRANSPARENT);
    EXPECT_EQ(design.Records()[1].call, Metafile::Call::FillSolidRect);
    EXPECT_EQ(design.Records()[1].rect, bounds);
    EXPECT_EQ(design.Records()[1].color, 0u);
    EXPECT_EQ(design.Records()[2].call, Metafile::Call::SetTextColor);
    EXPECT_EQ(design.Records()[2].color, 0x0000FFu);
    EXPECT_EQ(design.Records()[3].call, Metafile::Call::DrawText);
    EXPECT_EQ(design.Records()[3].text, "Quillbox ActiveX Control");
    EXPECT_EQ(design.Records()[3].rect, bounds);
    EXPECT_EQ(design.Records()[3].format, 0x25u);
    EXPECT_EQ(site->WindowRect(), bounds);

    site->SetUserMode(true);
    EXPECT_TRUE(site->Paint().Records().empty());
    EXPECT_EQ(site->WindowRect(), (olectl::RECT{0, 0, 1, 1}));
}

TEST_F(QuillboxCtrlTest, AboutBoxWithoutWidgetsReturnsAtOnce) {
    Open();
    EXPECT_EQ(winpal::DispatchCall(Control(), DISPID_ABOUTBOX, DISPATCH_METHOD, {}), S_OK);
    EXPECT_EQ(site->DoVerb(OLEIVERB_PROPERTIES), S_OK);
}

TEST_F(QuillboxCtrlTest, PropertyPagesListTheGeneralPage) {
    Open();
    winpal::ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(winpal::ComPtr<IDispatch>::Share(Control()).As(IID_ISpecifyPropertyPages, &pages),
              S_OK);
    CAUUID ids{};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_EQ(ids.pElems[0], CLSID_QuillboxPropPage);
    CoTaskMemFree(ids.pElems);
    winpal::ComPtr<IOlePropertyPage> page;
    ASSERT_EQ(CoCreateInstance(CLSID_QuillboxPropPage, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IOlePropertyPage, page.PutVoid()),
              S_OK);
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(winpal::Utf16ToUtf8(info.pszTitle), "General");
    CoTaskMemFree(info.pszTitle);
}

// Every automation class: the dispatch map agrees with the type library's dispinterface.
TEST(QuillboxTypeLibTest, DispatchMapsAgreeWithTheTypeLibrary) {
    auto control = olectl::MakeObject<CQuillboxCtrl>();
    auto folders = olectl::MakeObject<CFolders>();
    auto folder = olectl::MakeObject<CFolder>("x", 1, 0, 0);
    auto messages = olectl::MakeObject<CMessages>();
    auto message = olectl::MakeObject<CMessage>(MessageRecord{});
    auto contacts = olectl::MakeObject<CContacts>();
    const std::pair<const olectl::DispatchMap*, const olectl::TypeInfo*> pairs[] = {
        {&control->GetDispatchMap(), &control->GetDispatchInterface()},
        {&folders->GetDispatchMap(), &folders->GetDispatchInterface()},
        {&folder->GetDispatchMap(), &folder->GetDispatchInterface()},
        {&messages->GetDispatchMap(), &messages->GetDispatchInterface()},
        {&message->GetDispatchMap(), &message->GetDispatchInterface()},
        {&contacts->GetDispatchMap(), &contacts->GetDispatchInterface()},
    };
    for (const auto& [map, info] : pairs) {
        for (const std::string& difference : olectl::CompareWithTypeInfo(*map, *info))
            ADD_FAILURE() << difference;
    }
}

TEST(QuillboxTypeLibTest, LibraryListsItsTypesInOrder) {
    const olectl::TypeLibInfo& lib = QuillboxTypeLib();
    EXPECT_EQ(lib.libid, LIBID_QUILLBOXLib);
    EXPECT_EQ(lib.majorVersion, 1);
    EXPECT_EQ(lib.minorVersion, 0);
    EXPECT_EQ(lib.lcid, 1033u);
    EXPECT_STREQ(lib.helpString, "Quillbox ActiveX Control");
    EXPECT_STREQ(lib.helpFile, "Quillbox.hlp");
    std::vector<std::string> names;
    for (const olectl::TypeInfo& type : lib.types)
        names.push_back(type.name);
    EXPECT_EQ(
        names,
        (std::vector<std::string>{
            "IMessages",    "IFolders",      "IContacts",     "_DQuillbox",   "_DQuillboxEvents",
            "Quillbox",     "Folders",       "IFolder",       "Folder",       "Messages",
            "IMessage",     "Message",       "IEnumMessages", "EnumMessages", "IAddressBooks",
            "AddressBooks", "IAddress",      "Address",       "Contacts",     "IContact",
            "Contact",      "IEnumContacts", "EnumContacts",  "IEnumFolders", "EnumFolders"}));
    const olectl::TypeInfo& control = lib.types[3];
    EXPECT_TRUE(control.flags & olectl::TYPEFLAG_FHIDDEN);
    EXPECT_STREQ(control.helpString, "Dispatch interface for Quillbox Control");
    EXPECT_STREQ(lib.types[4].helpString, "Event interface for Quillbox Control");
    const olectl::TypeInfo& coclass = lib.types[5];
    EXPECT_EQ(coclass.guid, CLSID_Quillbox);
    EXPECT_TRUE(coclass.flags & olectl::TYPEFLAG_FCONTROL);
    EXPECT_STREQ(coclass.helpString, "Quillbox Control");
    ASSERT_EQ(coclass.interfaces.size(), 2u);
    EXPECT_EQ(coclass.interfaces[1].flags,
              olectl::IMPLTYPEFLAG_FDEFAULT | olectl::IMPLTYPEFLAG_FSOURCE);
}

}  // namespace
}  // namespace testsupport

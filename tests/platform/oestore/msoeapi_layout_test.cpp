// The store records keep the documented field order, and laid out with 32-bit pointers they have
// the sizes 32-bit Windows gives them (FOLDERPROPS 280, MESSAGEPROPS 68, MESSAGEIDLIST 12).
#include <algorithm>
#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

#include <oestore/msoeapi.h>

namespace {

// One field: where it lies in this build, and its size and alignment with 32-bit pointers.
struct Field {
    std::size_t offsetHere;
    std::size_t size32;
    std::size_t align32;
};

constexpr std::size_t kPointer32 = 4;

// Lays the fields out as a 32-bit compiler would and returns each offset and the total size,
// after checking that the fields appear in this build in the listed order.
struct Layout32 {
    std::vector<std::size_t> offsets;
    std::size_t size = 0;
};

Layout32 LayOut32(const std::vector<Field>& fields) {
    Layout32 layout;
    std::size_t at = 0;
    std::size_t maxAlign = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(fields[i - 1].offsetHere, fields[i].offsetHere) << "field " << i;
        }
        at = (at + fields[i].align32 - 1) / fields[i].align32 * fields[i].align32;
        layout.offsets.push_back(at);
        at += fields[i].size32;
        maxAlign = std::max(maxAlign, fields[i].align32);
    }
    layout.size = (at + maxAlign - 1) / maxAlign * maxAlign;
    return layout;
}

TEST(MsoeapiLayout, FolderPropsIs280BytesInEveryBuild) {
    const Layout32 layout = LayOut32({
        {offsetof(FOLDERPROPS, cbSize), 4, 4},
        {offsetof(FOLDERPROPS, dwFolderId), 4, 4},
        {offsetof(FOLDERPROPS, cSubFolders), 4, 4},
        {offsetof(FOLDERPROPS, sfType), 4, 4},
        {offsetof(FOLDERPROPS, cUnread), 4, 4},
        {offsetof(FOLDERPROPS, cMessage), 4, 4},
        {offsetof(FOLDERPROPS, szName), CCHMAX_FOLDER_NAME, 1},
    });
    EXPECT_EQ(layout.size, 280u);
    EXPECT_EQ(sizeof(FOLDERPROPS), 280u);
    EXPECT_EQ(offsetof(FOLDERPROPS, szName), 24u);
}

TEST(MsoeapiLayout, MessagePropsIs68BytesWith32BitPointers) {
    const Layout32 layout = LayOut32({
        {offsetof(MESSAGEPROPS, cbSize), 4, 4},
        {offsetof(MESSAGEPROPS, dwReserved), 4, 4},
        {offsetof(MESSAGEPROPS, dwMessageId), 4, 4},
        {offsetof(MESSAGEPROPS, dwLanguage), 4, 4},
        {offsetof(MESSAGEPROPS, dwState), 4, 4},
        {offsetof(MESSAGEPROPS, cbMessage), 4, 4},
        {offsetof(MESSAGEPROPS, priority), 4, 4},
        {offsetof(MESSAGEPROPS, ftReceived), 8, 4},
        {offsetof(MESSAGEPROPS, ftSent), 8, 4},
        {offsetof(MESSAGEPROPS, pszSubject), kPointer32, kPointer32},
        {offsetof(MESSAGEPROPS, pszDisplayTo), kPointer32, kPointer32},
        {offsetof(MESSAGEPROPS, pszDisplayFrom), kPointer32, kPointer32},
        {offsetof(MESSAGEPROPS, pszNormalSubject), kPointer32, kPointer32},
        {offsetof(MESSAGEPROPS, dwFlags), 4, 4},
        {offsetof(MESSAGEPROPS, pStmOffsetTable), kPointer32, kPointer32},
    });
    EXPECT_EQ(layout.size, 68u);
    EXPECT_EQ(layout.offsets[7], 28u);   // ftReceived
    EXPECT_EQ(layout.offsets[9], 44u);   // pszSubject
    EXPECT_EQ(layout.offsets[13], 60u);  // dwFlags
    // The fields before the first pointer lie where they lie on 32-bit Windows.
    EXPECT_EQ(offsetof(MESSAGEPROPS, ftReceived), 28u);
    EXPECT_EQ(offsetof(MESSAGEPROPS, ftSent), 36u);
}

TEST(MsoeapiLayout, MessageIdListIs12BytesWith32BitPointers) {
    const Layout32 layout = LayOut32({
        {offsetof(MESSAGEIDLIST, cbSize), 4, 4},
        {offsetof(MESSAGEIDLIST, cMsgs), 4, 4},
        {offsetof(MESSAGEIDLIST, prgdwMsgId), kPointer32, kPointer32},
    });
    EXPECT_EQ(layout.size, 12u);
}

TEST(MsoeapiLayout, EnumerationsAndIdsHaveTheirDocumentedWidthsAndValues) {
    EXPECT_EQ(sizeof(SPECIALFOLDER), 4u);
    EXPECT_EQ(sizeof(IMSGPRIORITY), 4u);
    EXPECT_EQ(sizeof(STOREFOLDERID), 4u);
    EXPECT_EQ(sizeof(MESSAGEID), 4u);
    EXPECT_EQ(FOLDER_INBOX, 1);
    EXPECT_EQ(FOLDER_DRAFT, 5);
    EXPECT_EQ(MESSAGEID_FIRST, 0xFFFFFFFFu);
    EXPECT_TRUE(FAILED(MSOEAPI_E_STORE_INITIALIZE));
    EXPECT_FALSE(CLSID_StoreNamespace == IID_IStoreNamespace);
    EXPECT_EQ(IID_IStoreFolder.Data1, 0xE70C92ACu);
}

}  // namespace

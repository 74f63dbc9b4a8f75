// Record encoding: every record of the samples re-encodes to its own bytes, and the typed
// setters store values the way the mail client does.
#include <gtest/gtest.h>

#include "bytes.h"
#include "dbx/index_cursor.h"
#include "dbx_test_util.h"

namespace {

using namespace dbx;

TEST(Record, SampleRecordsReencodeToTheirOwnBytes) {
    int checked = 0;
    for (const char* name : {"Inbox.dbx", "Folders.dbx"}) {
        auto db = Database::Open(dbxtest::Sample(name));
        IndexCursor cursor(*db, 0, nullptr);
        uint32_t address = 0;
        while (cursor.Next(address)) {
            Record record = db->ReadRecord(address);
            std::string encoded = EncodeRecord(record, address);
            std::string original(encoded.size(), '\0');
            ASSERT_TRUE(db->reader().Read(address, original.data(), original.size()));
            // Everything up to the padding matches; padding may hold leftover bytes.
            size_t used = kRecordHeaderSize + 4 * record.columns.size();
            for (const Column& column : record.columns)
                used += column.data.size();
            EXPECT_EQ(encoded.substr(0, used), original.substr(0, used))
                << name << " record " << Hex(address);
            EXPECT_EQ(LoadU32(Bytes(original) + 4) + kRecordHeaderSize, encoded.size());
            ++checked;
        }
    }
    EXPECT_EQ(checked, 9);
}

TEST(Record, NumbersAreDirectBelow2To24AndStoredOtherwise) {
    Record record;
    record.SetDword(msgcol::kFlags, 0x01000081);
    record.SetFileTime(msgcol::kDownloadTime, 0x0123456789ABCDEFull);
    record.SetString(msgcol::kSubject, "Inbox");
    record.SetDword(msgcol::kSize, 0x00FFFFFF);
    std::string bytes = EncodeRecord(record, 0x1000);
    Record back =
        DecodeRecord(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                     0x1000, SchemaFor(TableKind::kMessages));
    ASSERT_EQ(back.columns.size(), 4u);
    EXPECT_FALSE(back.Find(msgcol::kFlags)->direct);
    EXPECT_TRUE(back.Find(msgcol::kSize)->direct);
    EXPECT_EQ(back.Dword(msgcol::kFlags), 0x01000081u);
    EXPECT_EQ(back.Dword(msgcol::kSize), 0x00FFFFFFu);
    EXPECT_EQ(back.String(msgcol::kSubject), "Inbox");
    EXPECT_EQ(back.FileTime(msgcol::kDownloadTime), 0x0123456789ABCDEFull);
    EXPECT_EQ(bytes.size() % 4, 0u);
    EXPECT_EQ(back, record);
}

TEST(Record, UnknownColumnsSurviveARewrite) {
    // Column 0x40 is unknown: its bytes run to the end of the body and come back unchanged.
    Record record;
    record.SetDword(0x00, 7);
    Column unknown;
    unknown.id = 0x40;
    unknown.data = std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    record.columns.push_back(unknown);
    Column direct_unknown{0x41, true, 0x123456, {}};
    record.columns.push_back(direct_unknown);
    std::string bytes = EncodeRecord(record, 0x2000);
    Record back =
        DecodeRecord(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                     0x2000, SchemaFor(TableKind::kMessages));
    EXPECT_EQ(back, record);
    EXPECT_EQ(EncodeRecord(back, 0x2000), bytes);
}

TEST(Record, BadRecordsNameTheRecordAndAddress) {
    Record record;
    record.SetString(0x08, "subject");
    std::string bytes = EncodeRecord(record, 0x3000);
    auto decode = [&](const std::string& b) {
        return DecodeRecord(std::span(reinterpret_cast<const uint8_t*>(b.data()), b.size()), 0x3000,
                            SchemaFor(TableKind::kMessages));
    };
    auto expect_error = [&](std::string b, const std::string& fragment) {
        try {
            decode(b);
            ADD_FAILURE() << "decoded: " << fragment;
        } catch (const Error& error) {
            EXPECT_EQ(error.code(), ErrorCode::kCorrupt);
            EXPECT_NE(std::string(error.what()).find("record at 0x3000: "), std::string::npos)
                << error.what();
            EXPECT_NE(std::string(error.what()).find(fragment), std::string::npos) << error.what();
        }
    };
    std::string bad = bytes;
    StoreU32(Bytes(bad), 0x3004);
    expect_error(bad, "marker");
    bad = bytes;
    StoreU32(Bytes(bad) + 4, 0x100);
    expect_error(bad, "past the end");
    bad = bytes;
    StoreU32(Bytes(bad) + 4, 0xFFFFFFF0);
    expect_error(bad, "larger than a variable segment");
    bad = bytes;
    bad[10] = 100;
    expect_error(bad, "do not fit");
    bad = bytes;
    StoreU32(Bytes(bad) + 12, (0x40u << 8) | 0x08);
    expect_error(bad, "past the data area");
}

}  // namespace

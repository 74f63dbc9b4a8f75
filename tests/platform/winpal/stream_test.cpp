#include <gtest/gtest.h>

#include <string>

#include <winpal/com.h>
#include <winpal/winpal.h>

#include "temp_prefix.h"

namespace {

using winpal::ComPtr;

LARGE_INTEGER Move(LONGLONG n) {
    LARGE_INTEGER li;
    li.QuadPart = n;
    return li;
}

ULARGE_INTEGER Size(ULONGLONG n) {
    ULARGE_INTEGER li;
    li.QuadPart = n;
    return li;
}

ComPtr<IStream> MemoryStream() {
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    return stream;
}

void WriteText(IStream* stream, const std::string& text) {
    ULONG written = 0;
    ASSERT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size()), &written), S_OK);
    ASSERT_EQ(written, text.size());
}

std::string ReadText(IStream* stream, ULONG count) {
    std::string buffer(count, '\0');
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer.data(), count, &read), S_OK);
    buffer.resize(read);
    return buffer;
}

ULONGLONG Position(IStream* stream) {
    ULARGE_INTEGER pos{};
    EXPECT_EQ(stream->Seek(Move(0), STREAM_SEEK_CUR, &pos), S_OK);
    return pos.QuadPart;
}

ULONGLONG StreamSize(IStream* stream) {
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    return stat.cbSize.QuadPart;
}

TEST(MemoryStream, WriteSeekAndPartialReads) {
    ComPtr<IStream> stream = MemoryStream();
    WriteText(stream.Get(), "hello world");
    ULARGE_INTEGER pos{};
    ASSERT_EQ(stream->Seek(Move(6), STREAM_SEEK_SET, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 6u);
    EXPECT_EQ(ReadText(stream.Get(), 100), "world");  // fewer bytes than asked, still S_OK
    EXPECT_EQ(ReadText(stream.Get(), 10), "");
    ASSERT_EQ(stream->Seek(Move(-5), STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 6u);
    ASSERT_EQ(stream->Seek(Move(-2), STREAM_SEEK_CUR, &pos), S_OK);
    EXPECT_EQ(ReadText(stream.Get(), 3), "o w");
}

TEST(MemoryStream, SeekBeyondEndGrowsOnlyOnWrite) {
    ComPtr<IStream> stream = MemoryStream();
    WriteText(stream.Get(), "ab");
    ASSERT_EQ(stream->Seek(Move(10), STREAM_SEEK_END, nullptr), S_OK);
    EXPECT_EQ(StreamSize(stream.Get()), 2u);
    EXPECT_EQ(ReadText(stream.Get(), 4), "");
    WriteText(stream.Get(), "z");
    EXPECT_EQ(StreamSize(stream.Get()), 13u);
    ASSERT_EQ(stream->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadText(stream.Get(), 20), std::string("ab") + std::string(10, '\0') + "z");
}

TEST(MemoryStream, InvalidSeeksLeaveThePointer) {
    ComPtr<IStream> stream = MemoryStream();
    WriteText(stream.Get(), "abcdef");
    EXPECT_EQ(stream->Seek(Move(-7), STREAM_SEEK_END, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(Move(-7), STREAM_SEEK_CUR, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(Move(0), 3, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(Position(stream.Get()), 6u);
}

TEST(MemoryStream, SetSizeKeepsThePointer) {
    ComPtr<IStream> stream = MemoryStream();
    WriteText(stream.Get(), "abcdef");
    ASSERT_EQ(stream->SetSize(Size(3)), S_OK);
    EXPECT_EQ(StreamSize(stream.Get()), 3u);
    EXPECT_EQ(Position(stream.Get()), 6u);
    ASSERT_EQ(stream->SetSize(Size(5)), S_OK);
    ASSERT_EQ(stream->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadText(stream.Get(), 10), std::string("abc\0\0", 5));
}

TEST(MemoryStream, CloneSharesDataWithItsOwnPointer) {
    ComPtr<IStream> stream = MemoryStream();
    WriteText(stream.Get(), "0123456789");
    ASSERT_EQ(stream->Seek(Move(4), STREAM_SEEK_SET, nullptr), S_OK);
    ComPtr<IStream> clone;
    ASSERT_EQ(stream->Clone(clone.Put()), S_OK);
    EXPECT_EQ(Position(clone.Get()), 4u);
    EXPECT_EQ(ReadText(clone.Get(), 2), "45");
    EXPECT_EQ(Position(stream.Get()), 4u);
    WriteText(clone.Get(), "xy");  // at 6
    ASSERT_EQ(stream->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadText(stream.Get(), 20), "012345xy89");
    stream.Reset();  // the data lives on in the clone
    ASSERT_EQ(clone->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadText(clone.Get(), 20), "012345xy89");
}

TEST(MemoryStream, CopyToMovesBothPointers) {
    ComPtr<IStream> source = MemoryStream();
    WriteText(source.Get(), "abcdefgh");
    ASSERT_EQ(source->Seek(Move(2), STREAM_SEEK_SET, nullptr), S_OK);
    ComPtr<IStream> target = MemoryStream();
    WriteText(target.Get(), ">");
    ULARGE_INTEGER read{};
    ULARGE_INTEGER written{};
    ASSERT_EQ(source->CopyTo(target.Get(), Size(3), &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 3u);
    EXPECT_EQ(written.QuadPart, 3u);
    EXPECT_EQ(Position(source.Get()), 5u);
    ASSERT_EQ(source->CopyTo(target.Get(), Size(1000), &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 3u);  // only what was left
    ASSERT_EQ(target->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadText(target.Get(), 20), ">cdefgh");
}

TEST(MemoryStream, CopyToCarriesLargeContent) {
    ComPtr<IStream> source = MemoryStream();
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 % 251);
    WriteText(source.Get(), big);
    ASSERT_EQ(source->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    ComPtr<IStream> target = MemoryStream();
    ULARGE_INTEGER written{};
    ASSERT_EQ(source->CopyTo(target.Get(), Size(~0ULL), nullptr, &written), S_OK);
    EXPECT_EQ(written.QuadPart, big.size());
    ASSERT_EQ(target->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadText(target.Get(), 400000), big);
}

TEST(MemoryStream, InterfacesStatAndUnsupportedCalls) {
    ComPtr<IStream> stream = MemoryStream();
    ComPtr<ISequentialStream> sequential;
    EXPECT_EQ(stream.As(IID_ISequentialStream, &sequential), S_OK);
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(stream.As(IID_IDispatch, &dispatch), E_NOINTERFACE);
    EXPECT_FALSE(dispatch);
    EXPECT_EQ(stream->AddRef(), 3u);  // stream, sequential and this one
    EXPECT_EQ(stream->Release(), 2u);

    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(stat.type, static_cast<DWORD>(STGTY_STREAM));
    EXPECT_EQ(stat.pwcsName, nullptr);
    EXPECT_EQ(stream->Commit(STGC_DEFAULT), S_OK);
    EXPECT_EQ(stream->Revert(), S_OK);
    EXPECT_EQ(stream->LockRegion(Size(0), Size(1), 0), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->UnlockRegion(Size(0), Size(1), 0), STG_E_INVALIDFUNCTION);

    IStream* raw = nullptr;
    int block = 0;
    EXPECT_EQ(CreateStreamOnHGlobal(&block, TRUE, &raw), E_INVALIDARG);
    EXPECT_EQ(raw, nullptr);
}

class FileStreamTest : public testing::Test {
  protected:
    std::string PathOf(const std::string& name) { return (dir_.Path() / name).string(); }
    testsupport::TempDir dir_;
};

TEST_F(FileStreamTest, MissingFileAndFolderGiveWindowsErrors) {
    ComPtr<IStream> stream;
    EXPECT_EQ(SHCreateStreamOnFileA(PathOf("missing.txt").c_str(), STGM_READ, stream.Put()),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(
        SHCreateStreamOnFileA(PathOf("no/such/file.txt").c_str(), STGM_READWRITE, stream.Put()),
        HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(SHCreateStreamOnFileA(PathOf("no/such/file.txt").c_str(), STGM_CREATE | STGM_WRITE,
                                    stream.Put()),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(SHCreateStreamOnFileA(dir_.Path().c_str(), STGM_READ, stream.Put()),
              HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(stream);
}

TEST_F(FileStreamTest, CreateTruncatesAndWritesThrough) {
    const std::string path = PathOf("out.bin");
    testsupport::WriteFile(path, "old content that is long");
    ComPtr<IStream> stream;
    ASSERT_EQ(SHCreateStreamOnFileA(path.c_str(), STGM_CREATE | STGM_WRITE, stream.Put()), S_OK);
    EXPECT_EQ(StreamSize(stream.Get()), 0u);
    WriteText(stream.Get(), "new");
    char buffer[4];
    ULONG read = 99;
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), STG_E_ACCESSDENIED);  // write-only
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Commit(STGC_DEFAULT), S_OK);
    stream.Reset();
    EXPECT_EQ(testsupport::ReadFile(path), "new");
}

TEST_F(FileStreamTest, ReadOnlyStreamRefusesWrites) {
    const std::string path = PathOf("in.txt");
    testsupport::WriteFile(path, "0123456789");
    ComPtr<IStream> stream;
    ASSERT_EQ(SHCreateStreamOnFileA(path.c_str(), STGM_READ, stream.Put()), S_OK);
    EXPECT_EQ(ReadText(stream.Get(), 4), "0123");
    ASSERT_EQ(stream->Seek(Move(-3), STREAM_SEEK_END, nullptr), S_OK);
    EXPECT_EQ(ReadText(stream.Get(), 10), "789");
    ULONG written = 7;
    EXPECT_EQ(stream->Write("x", 1, &written), STG_E_ACCESSDENIED);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(stream->SetSize(Size(0)), STG_E_ACCESSDENIED);
    EXPECT_EQ(testsupport::ReadFile(path), "0123456789");
}

TEST_F(FileStreamTest, ReadWriteKeepsContentAndGrowsPastTheEnd) {
    const std::string path = PathOf("rw.txt");
    testsupport::WriteFile(path, "abc");
    ComPtr<IStream> stream;
    std::string windowsStyle = path;
    for (char& c : windowsStyle) {
        if (c == '/')
            c = '\\';
    }
    ASSERT_EQ(SHCreateStreamOnFileA(windowsStyle.c_str(), STGM_READWRITE, stream.Put()), S_OK);
    ASSERT_EQ(stream->Seek(Move(5), STREAM_SEEK_SET, nullptr), S_OK);
    WriteText(stream.Get(), "Z");
    EXPECT_EQ(testsupport::ReadFile(path), std::string("abc\0\0Z", 6));
    ASSERT_EQ(stream->SetSize(Size(2)), S_OK);
    EXPECT_EQ(testsupport::ReadFile(path), "ab");

    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
    ASSERT_NE(stat.pwcsName, nullptr);
    EXPECT_EQ(winpal::WideToAnsi(stat.pwcsName), windowsStyle);
    CoTaskMemFree(stat.pwcsName);
    EXPECT_EQ(stat.cbSize.QuadPart, 2u);
    EXPECT_EQ(stat.grfMode, STGM_READWRITE);
    EXPECT_NE(stat.mtime.dwHighDateTime, 0u);

    ComPtr<IStream> clone;
    EXPECT_EQ(stream->Clone(clone.Put()), E_NOTIMPL);
}

TEST_F(FileStreamTest, CopyToFromFileToMemory) {
    const std::string path = PathOf("copy.txt");
    testsupport::WriteFile(path, "file text");
    ComPtr<IStream> file;
    ASSERT_EQ(SHCreateStreamOnFileA(path.c_str(), STGM_READ, file.Put()), S_OK);
    ComPtr<IStream> memory = MemoryStream();
    ULARGE_INTEGER read{};
    ASSERT_EQ(file->CopyTo(memory.Get(), Size(100), &read, nullptr), S_OK);
    EXPECT_EQ(read.QuadPart, 9u);
    ASSERT_EQ(memory->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadText(memory.Get(), 100), "file text");
}

}  // namespace

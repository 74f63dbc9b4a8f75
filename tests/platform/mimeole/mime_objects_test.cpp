// The COM side of the message and body objects: interfaces, lifetimes, handles, the other body
// types, saving in other encodings and failed saves.
#include <signal.h>
#include <sys/resource.h>

#include "mime_test_util.h"
#include "temp_prefix.h"

namespace mimetest {
namespace {

const std::string kTwoBodies =
    "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
    "--b\r\nContent-Type: text/plain\r\n\r\nmain text\r\n"
    "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\n"
    "--b\r\nContent-Type: application/octet-stream; name=data.bin\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nAAEC\r\n--b--\r\n";

TEST(MimeObjects, InterfacesAndABodyThatOutlivesItsMessage) {
    ComPtr<IMimeMessage> message = Parse(kTwoBodies);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(message->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    ComPtr<IMimeBody> notABody;
    EXPECT_EQ(message->QueryInterface(IID_IMimeBody, notABody.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(notABody.Get(), nullptr);

    const std::vector<HBODY> handles = Handles(message.Get());
    ASSERT_EQ(handles.size(), 2u);
    ComPtr<IUnknown> other;
    EXPECT_EQ(message->BindToObject(handles[1], IID_IMimeMessage, other.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(message->BindToObject(handles[1], IID_IMimeBody, nullptr), E_INVALIDARG);
    ComPtr<IMimeBody> body = Bind(message.Get(), handles[1]);
    EXPECT_EQ(body.As(IID_IUnknown, &unknown), S_OK);
    const ULONG live = MimeOleLiveObjects();
    unknown.Reset();
    message.Reset();
    EXPECT_EQ(MimeOleLiveObjects(), live);  // the body still holds its message
    EXPECT_EQ(DisplayName(body.Get()), "data.bin");
    EXPECT_EQ(Saved(body.Get()), std::string("\0\1\2", 3));
    body.Reset();
    EXPECT_EQ(MimeOleLiveObjects(), live - 2);
}

TEST(MimeObjects, OnlyItsOwnHandlesAreAnswered) {
    const ComPtr<IMimeMessage> message = Parse(kTwoBodies);
    const ComPtr<IMimeMessage> other = Parse(kTwoBodies);
    const std::vector<HBODY> foreign = Handles(other.Get());
    const std::vector<HBODY> own = Handles(message.Get());
    const HBODY between = reinterpret_cast<HBODY>(reinterpret_cast<char*>(own[0]) + 1);
    for (HBODY handle : {foreign[0], foreign[1], between, HBODY{}}) {
        EXPECT_EQ(message->IsBodyType(handle, IBT_ATTACHMENT), MIME_E_INVALID_HANDLE);
        ComPtr<IMimeBody> body;
        EXPECT_EQ(message->BindToObject(handle, IID_IMimeBody, body.PutVoid()),
                  MIME_E_INVALID_HANDLE);
        EXPECT_EQ(body.Get(), nullptr);
    }
    EXPECT_EQ(message->GetAttachments(nullptr, nullptr), E_INVALIDARG);
}

TEST(MimeObjects, OtherBodyTypes) {
    const ComPtr<IMimeMessage> message = Parse(kTwoBodies);
    const std::vector<HBODY> handles = Handles(message.Get());
    const HBODY emptyText = handles[0];
    const HBODY data = handles[1];
    EXPECT_EQ(message->IsBodyType(emptyText, IBT_ATTACHMENT), S_FALSE);
    EXPECT_EQ(message->IsBodyType(emptyText, IBT_EMPTY), S_OK);
    EXPECT_EQ(message->IsBodyType(data, IBT_EMPTY), S_FALSE);
    EXPECT_EQ(message->IsBodyType(emptyText, IBT_CSETTAGGED), S_OK);
    EXPECT_EQ(message->IsBodyType(data, IBT_CSETTAGGED), S_FALSE);
    EXPECT_EQ(message->IsBodyType(data, IBT_SECURE), S_FALSE);
    EXPECT_EQ(message->IsBodyType(data, static_cast<IMSGBODYTYPE>(99)), E_INVALIDARG);
    EXPECT_EQ(DisplayName(Bind(message.Get(), emptyText).Get()), "ATT00001.txt");
    EXPECT_EQ(Saved(Bind(message.Get(), emptyText).Get()), "");
}

TEST(MimeObjects, SavingReplacesTheFileInTheEncodingAsked) {
    const ComPtr<IMimeMessage> message = Parse(kTwoBodies);
    const ComPtr<IMimeBody> body = Bind(message.Get(), Handles(message.Get())[1]);
    EXPECT_EQ(Saved(body.Get(), IET_CURRENT), "AAEC");
    EXPECT_EQ(Saved(body.Get(), IET_BASE64), "AAEC");
    HRESULT hr = S_OK;
    EXPECT_EQ(Saved(body.Get(), IET_QP, &hr), "");
    EXPECT_EQ(hr, MIME_E_INVALID_ENCTYPE);

    testsupport::TempDir dir;
    const std::filesystem::path file = dir.Path() / "data.bin";
    testsupport::WriteFile(file, std::string(10000, 'x'));
    EXPECT_EQ(body->SaveToFile(IET_BINARY, winpal::AnsiFromPath(file).c_str()), S_OK);
    EXPECT_EQ(testsupport::ReadFile(file), std::string("\0\1\2", 3));
    EXPECT_EQ(body->SaveToFile(IET_BINARY, nullptr), E_INVALIDARG);
    const std::string missing = winpal::AnsiFromPath(dir.Path() / "no" / "such.bin");
    EXPECT_TRUE(FAILED(body->SaveToFile(IET_BINARY, missing.c_str())));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "no"));
}

// A write that fails part way (the file size limit of the process) answers a failure and
// leaves no file behind that could pass for the body.
TEST(MimeObjects, AFailedWriteLeavesNoFile) {
    const std::string big(3 << 20, 'A');  // base64 for 2.25 MB of zero bits
    const ComPtr<IMimeMessage> message = Parse(
        "Content-Type: application/octet-stream; name=big.bin\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        big);
    const ComPtr<IMimeBody> body = Bind(message.Get(), Handles(message.Get())[0]);
    testsupport::TempDir dir;
    const std::filesystem::path file = dir.Path() / "big.bin";

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const HRESULT hr = body->SaveToFile(IET_BINARY, winpal::AnsiFromPath(file).c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(FAILED(hr));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(body->SaveToFile(IET_BINARY, winpal::AnsiFromPath(file).c_str()), S_OK);
    EXPECT_EQ(std::filesystem::file_size(file), big.size() / 4 * 3);
}

}  // namespace
}  // namespace mimetest

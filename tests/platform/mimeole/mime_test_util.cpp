#include "mime_test_util.h"

#include "temp_prefix.h"

namespace mimetest {

std::string GoldenText(const std::string& name) {
    const std::string text = testsupport::ReadFile(std::filesystem::path(MIMEOLE_TEST_DATA) / name);
    EXPECT_FALSE(text.empty()) << name;
    return text;
}

ComPtr<IMimeMessage> Parse(std::string text) {
    ComPtr<IMimeMessage> message;
    EXPECT_EQ(MimeOleCreateMessageFromText(std::move(text), message.Put()), S_OK);
    return message;
}

std::vector<HBODY> Handles(IMimeMessage* message) {
    ULONG count = 0;
    HBODY* array = nullptr;
    EXPECT_EQ(message->GetAttachments(&count, &array), S_OK);
    std::vector<HBODY> handles(array, array + count);
    EXPECT_EQ(array == nullptr, count == 0);
    CoTaskMemFree(array);
    return handles;
}

ComPtr<IMimeBody> Bind(IMimeMessage* message, HBODY body) {
    ComPtr<IMimeBody> bound;
    EXPECT_EQ(message->BindToObject(body, IID_IMimeBody, bound.PutVoid()), S_OK);
    return bound;
}

std::string DisplayName(IMimeBody* body) {
    LPSTR name = nullptr;
    EXPECT_EQ(body->GetDisplayName(&name), S_OK);
    std::string text(name ? name : "");
    CoTaskMemFree(name);
    return text;
}

std::string Saved(IMimeBody* body, ENCODINGTYPE encoding, HRESULT* hr) {
    testsupport::TempDir dir;
    const std::filesystem::path file = dir.Path() / "saved.bin";
    const HRESULT result = body->SaveToFile(encoding, winpal::AnsiFromPath(file).c_str());
    if (hr)
        *hr = result;
    else
        EXPECT_EQ(result, S_OK);
    return testsupport::ReadFile(file);
}

}  // namespace mimetest

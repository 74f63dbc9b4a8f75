#include "body_writer.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <winpal/winpal.h>

#include "gmime_session.h"

namespace mimeole {
namespace {

// Content is decoded and written in pieces of this size.
constexpr size_t kPiece = size_t{1} << 20;

bool IsDecoded(GMimeContentEncoding encoding) {
    return encoding == GMIME_CONTENT_ENCODING_BASE64 ||
           encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE ||
           encoding == GMIME_CONTENT_ENCODING_UUENCODE;
}

// The body's own transfer encoding, as the ENCODINGTYPE a caller names it by.
ENCODINGTYPE StoredEncoding(GMimeContentEncoding encoding) {
    switch (encoding) {
        case GMIME_CONTENT_ENCODING_BASE64:
            return IET_BASE64;
        case GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE:
            return IET_QP;
        case GMIME_CONTENT_ENCODING_UUENCODE:
            return IET_UUENCODE;
        case GMIME_CONTENT_ENCODING_7BIT:
            return IET_7BIT;
        case GMIME_CONTENT_ENCODING_8BIT:
            return IET_8BIT;
        default:
            return IET_BINARY;
    }
}

HRESULT WriteAll(IStream* file, const char* data, size_t size) {
    while (size > 0) {
        const ULONG piece = static_cast<ULONG>(std::min(size, kPiece));
        ULONG written = 0;
        if (const HRESULT hr = file->Write(data, piece, &written); FAILED(hr))
            return hr;
        if (written != piece)
            return STG_E_WRITEFAULT;
        data += piece;
        size -= piece;
    }
    return S_OK;
}

HRESULT WriteDecoded(IStream* file, std::string_view content, GMimeContentEncoding encoding) {
    if (content.empty())
        return S_OK;
    GPtr<GMimeFilter> decoder(g_mime_filter_basic_new(encoding, FALSE));
    // The filter takes writable input; the message text stays untouched.
    std::vector<char> piece(std::min(content.size(), kPiece));
    char* out = nullptr;
    size_t outLength = 0;
    size_t outPrespace = 0;
    for (size_t at = 0; at < content.size(); at += piece.size()) {
        const size_t length = std::min(piece.size(), content.size() - at);
        std::copy_n(content.data() + at, length, piece.data());
        g_mime_filter_filter(decoder.get(), piece.data(), length, 0, &out, &outLength,
                             &outPrespace);
        if (const HRESULT hr = WriteAll(file, out, outLength); FAILED(hr))
            return hr;
    }
    g_mime_filter_complete(decoder.get(), piece.data(), 0, 0, &out, &outLength, &outPrespace);
    return WriteAll(file, out, outLength);
}

void RemovePartialFile(LPCSTR path) {
    std::error_code error;
    const std::filesystem::path file = winpal::PathFromAnsi(path);
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(file, error)))
        std::filesystem::remove(file, error);
}

}  // namespace

HRESULT SaveBody(const Body& body, std::string_view text, ENCODINGTYPE encoding, LPCSTR path) {
    if (!path)
        return E_INVALIDARG;
    bool decode = false;
    if (encoding == IET_BINARY) {
        decode = IsDecoded(body.encoding);
    } else if (encoding != IET_CURRENT && encoding != IET_ENCODED &&
               encoding != StoredEncoding(body.encoding)) {
        return MIME_E_INVALID_ENCTYPE;
    }
    const std::string_view content =
        text.substr(body.contentBegin, body.contentEnd - body.contentBegin);

    winpal::ComPtr<IStream> file;
    if (const HRESULT hr = SHCreateStreamOnFileA(path, STGM_CREATE | STGM_WRITE, file.Put());
        FAILED(hr)) {
        return hr;
    }
    const HRESULT hr = decode ? WriteDecoded(file.Get(), content, body.encoding)
                              : WriteAll(file.Get(), content.data(), content.size());
    file.Reset();
    if (FAILED(hr))
        RemovePartialFile(path);
    return hr;
}

}  // namespace mimeole

#include "mime_message.h"

#include <cstring>
#include <new>

#include <winpal/winpal.h>

#include "body_writer.h"

namespace mimeole {
namespace {

std::atomic<ULONG> liveObjects{0};

}  // namespace

void CountObject(bool born) {
    if (born)
        ++liveObjects;
    else
        --liveObjects;
}

MimeMessage::MimeMessage(std::string text, std::vector<Body> bodies)
    : text_(std::move(text)), bodies_(std::move(bodies)) {}

const Body* MimeMessage::Find(HBODY handle) const {
    const auto address = reinterpret_cast<std::uintptr_t>(handle);
    const auto first = reinterpret_cast<std::uintptr_t>(bodies_.data());
    if (bodies_.empty() || address < first)
        return nullptr;
    const std::uintptr_t offset = address - first;
    if (offset % sizeof(Body) != 0 || offset / sizeof(Body) >= bodies_.size())
        return nullptr;
    return &bodies_[offset / sizeof(Body)];
}

HRESULT MimeMessage::IsBodyType(HBODY hBody, IMSGBODYTYPE bodytype) {
    const Body* body = Find(hBody);
    if (!body)
        return MIME_E_INVALID_HANDLE;
    switch (bodytype) {
        case IBT_ATTACHMENT:
            return body->attachment ? S_OK : S_FALSE;
        case IBT_EMPTY:
            return body->contentBegin == body->contentEnd ? S_OK : S_FALSE;
        case IBT_CSETTAGGED:
            return body->charsetTagged ? S_OK : S_FALSE;
        case IBT_SECURE:
        case IBT_AUTOATTACH:
            return S_FALSE;
    }
    return E_INVALIDARG;
}

HRESULT MimeMessage::BindToObject(const HBODY hBody, REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_INVALIDARG;
    *ppvObject = nullptr;
    const Body* body = Find(hBody);
    if (!body)
        return MIME_E_INVALID_HANDLE;
    if (!(riid == IID_IMimeBody || riid == IID_IUnknown))
        return E_NOINTERFACE;
    auto* object = new (std::nothrow) MimeBody(this, *body);
    if (!object)
        return E_OUTOFMEMORY;
    *ppvObject = static_cast<IMimeBody*>(object);
    return S_OK;
}

HRESULT MimeMessage::GetAttachments(ULONG* pcAttach, LPHBODY* pprghAttach) {
    if (!pcAttach || !pprghAttach)
        return E_INVALIDARG;
    *pcAttach = 0;
    *pprghAttach = nullptr;
    if (bodies_.empty())
        return S_OK;
    auto* handles = static_cast<LPHBODY>(CoTaskMemAlloc(bodies_.size() * sizeof(HBODY)));
    if (!handles)
        return E_OUTOFMEMORY;
    for (size_t i = 0; i < bodies_.size(); ++i) {
        // The address of the body's record, only ever compared (Find).
        handles[i] = reinterpret_cast<HBODY>(const_cast<Body*>(&bodies_[i]));
    }
    *pcAttach = static_cast<ULONG>(bodies_.size());
    *pprghAttach = handles;
    return S_OK;
}

MimeBody::MimeBody(MimeMessage* message, const Body& body) : message_(message), body_(body) {
    message_->AddRef();
}

MimeBody::~MimeBody() {
    message_->Release();
}

HRESULT MimeBody::GetDisplayName(LPSTR* ppszDisplay) {
    if (!ppszDisplay)
        return E_INVALIDARG;
    const std::string ansi = winpal::WideToAnsi(winpal::Utf8ToUtf16(body_.displayName));
    auto* copy = static_cast<LPSTR>(CoTaskMemAlloc(ansi.size() + 1));
    *ppszDisplay = copy;
    if (!copy)
        return E_OUTOFMEMORY;
    std::memcpy(copy, ansi.c_str(), ansi.size() + 1);
    return S_OK;
}

HRESULT MimeBody::SaveToFile(ENCODINGTYPE ietEncoding, LPCSTR pszFilePath) {
    return SaveBody(body_, message_->Text(), ietEncoding, pszFilePath);
}

}  // namespace mimeole

HRESULT MimeOleCreateMessageFromText(std::string text, IMimeMessage** ppMessage) {
    if (!ppMessage)
        return E_INVALIDARG;
    *ppMessage = nullptr;
    try {
        std::vector<mimeole::Body> bodies = mimeole::ReadBodies(text);
        *ppMessage = new mimeole::MimeMessage(std::move(text), std::move(bodies));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

ULONG MimeOleLiveObjects() {
    return mimeole::liveObjects.load();
}

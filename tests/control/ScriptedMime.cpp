#include "ScriptedMime.h"

#include <cstdio>
#include <cstring>

#include "ScriptedObject.h"

namespace testsupport {
namespace {

class ScriptedMimeBody final : public Scripted<IMimeBody> {
  public:
    ScriptedMimeBody(ScriptedStore& store, IMimeMessage* message, ScriptedBody body)
        : Scripted(store, IID_IMimeBody),
          message_(winpal::ComPtr<IMimeMessage>::Share(message)),
          body_(std::move(body)) {}

    HRESULT GetDisplayName(LPSTR* name) override {
        store_.calls.push_back("GetDisplayName(" + body_.name + ")");
        *name = static_cast<LPSTR>(CoTaskMemAlloc(body_.name.size() + 1));
        std::memcpy(*name, body_.name.c_str(), body_.name.size() + 1);
        return S_OK;
    }
    HRESULT SaveToFile(ENCODINGTYPE encoding, LPCSTR path) override {
        store_.calls.push_back("SaveToFile(" + std::to_string(encoding) + ", " + path + ")");
        if (HRESULT hr = store_.Answer("SaveToFile"); FAILED(hr))
            return hr;
        FILE* file = std::fopen(winpal::PathFromAnsi(path).c_str(), "wb");
        if (!file)
            return E_FAIL;
        std::fwrite(body_.bytes.data(), 1, body_.bytes.size(), file);
        std::fclose(file);
        return S_OK;
    }

  private:
    winpal::ComPtr<IMimeMessage> message_;
    ScriptedBody body_;
};

// Body handles are 1-based positions in the body list.
class ScriptedMimeMessage final : public Scripted<IMimeMessage> {
  public:
    ScriptedMimeMessage(ScriptedStore& store, std::vector<ScriptedBody> bodies)
        : Scripted(store, IID_IMimeMessage), bodies_(std::move(bodies)) {}

    HRESULT IsBodyType(HBODY body, IMSGBODYTYPE type) override {
        const ScriptedBody* found = Find(body);
        if (!found)
            return MIME_E_INVALID_HANDLE;
        return type == IBT_ATTACHMENT && found->attachment ? S_OK : S_FALSE;
    }
    HRESULT BindToObject(const HBODY body, REFIID riid, void** object) override {
        *object = nullptr;
        const ScriptedBody* found = Find(body);
        store_.calls.push_back("BindToObject(" + std::to_string(Number(body)) + ")");
        if (!found || !IsEqualIID(riid, IID_IMimeBody))
            return E_NOINTERFACE;
        if (FAILED(found->bind))
            return found->bind;
        *object = static_cast<IMimeBody*>(new ScriptedMimeBody(store_, this, *found));
        return S_OK;
    }
    HRESULT GetAttachments(ULONG* count, LPHBODY* handles) override {
        store_.calls.push_back("GetAttachments()");
        *count = 0;
        *handles = nullptr;
        if (HRESULT hr = store_.Answer("GetAttachments"); FAILED(hr))
            return hr;
        if (bodies_.empty())
            return S_OK;
        *handles = static_cast<LPHBODY>(CoTaskMemAlloc(bodies_.size() * sizeof(HBODY)));
        for (std::size_t i = 0; i < bodies_.size(); ++i)
            (*handles)[i] = reinterpret_cast<HBODY>(i + 1);
        *count = static_cast<ULONG>(bodies_.size());
        return S_OK;
    }

  private:
    static std::size_t Number(HBODY body) { return reinterpret_cast<std::size_t>(body); }
    const ScriptedBody* Find(HBODY body) const {
        const std::size_t number = Number(body);
        return number >= 1 && number <= bodies_.size() ? &bodies_[number - 1] : nullptr;
    }

    std::vector<ScriptedBody> bodies_;
};

}  // namespace

IMimeMessage* NewScriptedMimeMessage(ScriptedStore& store,
                                     const std::vector<ScriptedBody>& bodies) {
    return new ScriptedMimeMessage(store, bodies);
}

}  // namespace testsupport

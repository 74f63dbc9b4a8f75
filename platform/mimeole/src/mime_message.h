// The COM objects: a parsed message (IMimeMessage) and one of its bodies (IMimeBody).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include <mimeole/mimeole.h>

#include "body.h"

namespace mimeole {

// Counts the objects alive (MimeOleLiveObjects).
void CountObject(bool born);

// A reference-counted object that implements `Interface` (identified by `iid`) and IUnknown,
// and counts among the live objects while it exists.
template <class Derived, class Interface, const IID& iid>
class ComObject : public Interface {
  public:
    ComObject() { CountObject(true); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == iid) {
            *ppvObject = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

  protected:
    ~ComObject() { CountObject(false); }

  private:
    std::atomic<ULONG> refs_{1};
};

class MimeMessage final : public ComObject<MimeMessage, IMimeMessage, IID_IMimeMessage> {
  public:
    MimeMessage(std::string text, std::vector<Body> bodies);

    HRESULT IsBodyType(HBODY hBody, IMSGBODYTYPE bodytype) override;
    HRESULT BindToObject(const HBODY hBody, REFIID riid, void** ppvObject) override;
    HRESULT GetAttachments(ULONG* pcAttach, LPHBODY* pprghAttach) override;

    const std::string& Text() const { return text_; }

  private:
    friend ComObject;
    ~MimeMessage() = default;
    // The body behind a handle this message gave out, or null for any other handle. The
    // handle is compared, never followed.
    const Body* Find(HBODY handle) const;

    const std::string text_;
    const std::vector<Body> bodies_;
};

class MimeBody final : public ComObject<MimeBody, IMimeBody, IID_IMimeBody> {
  public:
    // Holds a reference to `message` for its own life.
    MimeBody(MimeMessage* message, const Body& body);

    HRESULT GetDisplayName(LPSTR* ppszDisplay) override;
    HRESULT SaveToFile(ENCODINGTYPE ietEncoding, LPCSTR pszFilePath) override;

  private:
    friend ComObject;
    ~MimeBody();

    MimeMessage* message_;
    const Body& body_;
};

}  // namespace mimeole

// The COM objects: a parsed message (IMimeMessage) and one of its bodies (IMimeBody).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include <mimeole/mimeole.h>

#include "body.h"

namespace mimeole {

// Counts itself among the live objects for as long as it exists.
class LiveObject {
  public:
    LiveObject();
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
    ~LiveObject();
};

class MimeMessage final : public IMimeMessage {
  public:
    MimeMessage(std::string text, std::vector<Body> bodies);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT IsBodyType(HBODY hBody, IMSGBODYTYPE bodytype) override;
    HRESULT BindToObject(const HBODY hBody, REFIID riid, void** ppvObject) override;
    HRESULT GetAttachments(ULONG* pcAttach, LPHBODY* pprghAttach) override;

    const std::string& Text() const { return text_; }

  private:
    ~MimeMessage() = default;
    // The body behind a handle this message gave out, or null for any other handle. The
    // handle is compared, never followed.
    const Body* Find(HBODY handle) const;

    LiveObject live_;
    std::atomic<ULONG> refs_{1};
    const std::string text_;
    const std::vector<Body> bodies_;
};

class MimeBody final : public IMimeBody {
  public:
    // Holds a reference to `message` for its own life.
    MimeBody(MimeMessage* message, const Body& body);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetDisplayName(LPSTR* ppszDisplay) override;
    HRESULT SaveToFile(ENCODINGTYPE ietEncoding, LPCSTR pszFilePath) override;

  private:
    ~MimeBody();

    LiveObject live_;
    std::atomic<ULONG> refs_{1};
    MimeMessage* message_;
    const Body& body_;
};

}  // namespace mimeole

// Persistence of a control's properties (MFC's CPropExchange): the control names its properties
// once, in DoPropExchange, and the same code loads them from or saves them to a stream
// (IPersistStreamInit, values in exchange order), a property bag (IPersistPropertyBag, values by
// name) or resets them to their defaults (OnResetState).
#pragma once

#include <winpal/oleauto.h>

struct IPropertyBag;
struct IErrorLog;

namespace olectl {

class CPropExchange {
  public:
    virtual ~CPropExchange() = default;

    bool IsLoading() const { return loading_; }
    // False once any value could not be read or written; the exchange then fails as a whole.
    bool Succeeded() const { return ok_; }
    void Fail() { ok_ = false; }

    // One 32-bit value named `name`. Loading a value that is missing takes `defaultValue` (a
    // stream, whose values have no names, must hold it).
    virtual void ExchangeLong(const char* name, LONG& value, LONG defaultValue) = 0;

  protected:
    explicit CPropExchange(bool loading) : loading_(loading) {}

  private:
    bool loading_;
    bool ok_ = true;
};

// The exchange of one property of each type.
void PX_Long(CPropExchange* pPX, const char* name, LONG& value, LONG defaultValue);
void PX_ULong(CPropExchange* pPX, const char* name, ULONG& value, ULONG defaultValue);

// Exchanges that read or write a stream, read or write a property bag, or set every property
// to its default.
class StreamPropExchange : public CPropExchange {
  public:
    StreamPropExchange(IStream* stream, bool loading) : CPropExchange(loading), stream_(stream) {}
    void ExchangeLong(const char* name, LONG& value, LONG defaultValue) override;
    ULONG BytesWritten() const { return written_; }

  private:
    IStream* stream_;  // null: count the bytes a save would write
    ULONG written_ = 0;
};

class BagPropExchange : public CPropExchange {
  public:
    BagPropExchange(IPropertyBag* bag, IErrorLog* log, bool loading)
        : CPropExchange(loading), bag_(bag), log_(log) {}
    void ExchangeLong(const char* name, LONG& value, LONG defaultValue) override;

  private:
    IPropertyBag* bag_;
    IErrorLog* log_;
};

class ResetPropExchange : public CPropExchange {
  public:
    ResetPropExchange() : CPropExchange(true) {}
    void ExchangeLong(const char*, LONG& value, LONG defaultValue) override {
        value = defaultValue;
    }
};

}  // namespace olectl

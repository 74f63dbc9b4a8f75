// The property exchanges: a stream holds the values in exchange order, 4 bytes each,
// little-endian; a property bag holds them by name as VT_I4 values.
#include <olectl/persist.h>

#include <winpal/winpal.h>

#include <olectl/interfaces.h>

namespace olectl {

void PX_Long(CPropExchange* pPX, const char* name, LONG& value, LONG defaultValue) {
    pPX->ExchangeLong(name, value, defaultValue);
}

void PX_ULong(CPropExchange* pPX, const char* name, ULONG& value, ULONG defaultValue) {
    LONG exchanged = static_cast<LONG>(value);
    pPX->ExchangeLong(name, exchanged, static_cast<LONG>(defaultValue));
    value = static_cast<ULONG>(exchanged);
}

void StreamPropExchange::ExchangeLong(const char*, LONG& value, LONG) {
    if (!Succeeded())
        return;
    BYTE bytes[4];
    if (IsLoading()) {
        ULONG got = 0;
        if (FAILED(stream_->Read(bytes, sizeof bytes, &got)) || got != sizeof bytes) {
            Fail();
            return;
        }
        value = static_cast<LONG>(static_cast<ULONG>(bytes[0]) | static_cast<ULONG>(bytes[1]) << 8 |
                                  static_cast<ULONG>(bytes[2]) << 16 |
                                  static_cast<ULONG>(bytes[3]) << 24);
        return;
    }
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<BYTE>(static_cast<ULONG>(value) >> (8 * i));
    written_ += sizeof bytes;
    ULONG put = 0;
    if (stream_ && (FAILED(stream_->Write(bytes, sizeof bytes, &put)) || put != sizeof bytes))
        Fail();
}

void BagPropExchange::ExchangeLong(const char* name, LONG& value, LONG defaultValue) {
    if (!Succeeded())
        return;
    std::u16string wide = winpal::Utf8ToUtf16(name);
    winpal::Variant held;
    if (IsLoading()) {
        // A property the bag lacks, or cannot give as a number (a text bag hands out text),
        // takes its default.
        held.Ptr()->vt = VT_I4;
        value = SUCCEEDED(bag_->Read(wide.c_str(), held.Ptr(), log_)) &&
                        SUCCEEDED(VariantChangeType(held.Ptr(), held.Ptr(), 0, VT_I4))
                    ? held.Ptr()->lVal
                    : defaultValue;
        return;
    }
    held = winpal::Variant::I4(value);
    if (FAILED(bag_->Write(wide.c_str(), held.Ptr())))
        Fail();
}

}  // namespace olectl

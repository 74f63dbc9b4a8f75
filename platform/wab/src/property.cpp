#include "property.h"

#include <algorithm>
#include <cstring>

#include <winpal/winpal.h>

#include "allocator.h"

namespace wab {
namespace {

enum class Kind { Null, Integer, Real, Text, Bytes, Invalid };

Kind KindOf(ULONG type) {
    switch (type & ~MV_FLAG) {
        case PT_NULL:
            return (type & MV_FLAG) ? Kind::Invalid : Kind::Null;
        case PT_I2:
        case PT_LONG:
        case PT_BOOLEAN:
        case PT_I8:
        case PT_CURRENCY:
        case PT_SYSTIME:
            return Kind::Integer;
        case PT_R4:
        case PT_DOUBLE:
        case PT_APPTIME:
            return Kind::Real;
        case PT_STRING8:
        case PT_UNICODE:
            return Kind::Text;
        case PT_BINARY:
        case PT_CLSID:
            return Kind::Bytes;
        default:
            return Kind::Invalid;
    }
}

bool IsText(ULONG type) {
    return KindOf(type) == Kind::Text;
}

std::string AnsiToUtf8(const char* ansi) {
    return winpal::Utf16ToUtf8(winpal::AnsiToWide(ansi));
}

std::int64_t FileTimeValue(const FILETIME& ft) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) |
                                     ft.dwLowDateTime);
}

FILETIME FileTimeFrom(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    return {static_cast<DWORD>(bits), static_cast<DWORD>(bits >> 32)};
}

std::int64_t IntegerOf(ULONG type, const _PV& v) {
    switch (type) {
        case PT_I2:
            return v.i;
        case PT_LONG:
            return v.l;
        case PT_BOOLEAN:
            return v.b ? 1 : 0;
        case PT_I8:
            return v.li.QuadPart;
        case PT_CURRENCY:
            return v.cur.int64;
        default:  // PT_SYSTIME
            return FileTimeValue(v.ft);
    }
}

void SetInteger(ULONG type, std::int64_t value, _PV& v) {
    switch (type) {
        case PT_I2:
            v.i = static_cast<short>(value);
            break;
        case PT_LONG:
            v.l = static_cast<LONG>(value);
            break;
        case PT_BOOLEAN:
            v.b = value ? 1 : 0;
            break;
        case PT_I8:
            v.li.QuadPart = value;
            break;
        case PT_CURRENCY:
            v.cur.int64 = value;
            break;
        default:
            v.ft = FileTimeFrom(value);
            break;
    }
}

double RealOf(ULONG type, const _PV& v) {
    return type == PT_R4 ? v.flt : v.dbl;
}

void SetReal(ULONG type, double value, _PV& v) {
    if (type == PT_R4) {
        v.flt = static_cast<float>(value);
    } else {
        v.dbl = value;
    }
}

std::string BytesOf(ULONG type, const _PV& v) {
    if (type == PT_CLSID)
        return std::string(reinterpret_cast<const char*>(v.lpguid), sizeof(GUID));
    return std::string(reinterpret_cast<const char*>(v.bin.lpb), v.bin.cb);
}

// The element `i` of a multi-valued value, as a single value of the base type.
_PV ElementOf(ULONG type, const _PV& v, ULONG i) {
    _PV e{};
    switch (type & ~MV_FLAG) {
        case PT_I2:
            e.i = v.MVi.lpi[i];
            break;
        case PT_LONG:
            e.l = v.MVl.lpl[i];
            break;
        case PT_I8:
            e.li = v.MVli.lpli[i];
            break;
        case PT_CURRENCY:
            e.cur = v.MVcur.lpcur[i];
            break;
        case PT_SYSTIME:
            e.ft = v.MVft.lpft[i];
            break;
        case PT_R4:
            e.flt = v.MVflt.lpflt[i];
            break;
        case PT_DOUBLE:
            e.dbl = v.MVdbl.lpdbl[i];
            break;
        case PT_APPTIME:
            e.at = v.MVat.lpat[i];
            break;
        case PT_STRING8:
            e.lpszA = v.MVszA.lppszA[i];
            break;
        case PT_UNICODE:
            e.lpszW = v.MVszW.lppszW[i];
            break;
        case PT_BINARY:
            e.bin = v.MVbin.lpbin[i];
            break;
        case PT_CLSID:
            e.lpguid = &v.MVguid.lpguid[i];
            break;
        default:  // PT_BOOLEAN has no multi-valued form
            break;
    }
    return e;
}

// The element's pointer that must not be null, if any.
bool ElementPresent(ULONG baseType, const _PV& e) {
    switch (baseType) {
        case PT_STRING8:
            return e.lpszA != nullptr;
        case PT_UNICODE:
            return e.lpszW != nullptr;
        case PT_BINARY:
            return e.bin.cb == 0 || e.bin.lpb != nullptr;
        case PT_CLSID:
            return e.lpguid != nullptr;
        default:
            return true;
    }
}

std::string TextOfElement(ULONG baseType, const _PV& e) {
    return baseType == PT_STRING8 ? AnsiToUtf8(e.lpszA) : winpal::Utf16ToUtf8(e.lpszW);
}

// The number of values and the first element pointer of a multi-valued value.
const void* ArrayOf(const _PV& v) {
    // Every multi-valued member has the shape { ULONG cValues; T* lp; }.
    return v.MVl.lpl;
}

bool IsMultiValuedBoolean(ULONG type) {
    return type == (MV_FLAG | PT_BOOLEAN);
}

// ---- writing into caller memory ---------------------------------------------------------------

template <class T>
T* NewArray(std::size_t count, LPVOID parent) {
    LPVOID block = nullptr;
    if (FAILED(AllocateMore(static_cast<ULONG>(count * sizeof(T)), parent, &block)))
        return nullptr;
    return static_cast<T*>(block);
}

HRESULT WriteText(const std::string& utf8, ULONG type, LPVOID parent, _PV& v) {
    if (type == PT_STRING8) {
        v.lpszA = CopyAnsiMore(winpal::WideToAnsi(winpal::Utf8ToUtf16(utf8)), parent);
        return v.lpszA ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    v.lpszW = CopyWideMore(winpal::Utf8ToUtf16(utf8), parent);
    return v.lpszW ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

HRESULT WriteBytes(const std::string& bytes, ULONG type, LPVOID parent, _PV& v) {
    if (type == PT_CLSID) {
        if (bytes.size() != sizeof(GUID))
            return MAPI_E_CORRUPT_DATA;
        v.lpguid = reinterpret_cast<LPGUID>(CopyBytesMore(bytes, parent));
        return v.lpguid ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    v.bin.cb = static_cast<ULONG>(bytes.size());
    v.bin.lpb = CopyBytesMore(bytes, parent);
    return v.bin.lpb ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

template <class Element, class Source, class Convert>
HRESULT WriteArray(const std::vector<Source>& source, LPVOID parent, ULONG& count, Element*& array,
                   Convert convert) {
    array = NewArray<Element>(source.size(), parent);
    if (!array)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    count = static_cast<ULONG>(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (HRESULT hr = convert(source[i], array[i]); FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT WriteMultiple(const PropertyData& data, ULONG type, LPVOID parent, _PV& v) {
    const ULONG base = type & ~MV_FLAG;
    switch (base) {
        case PT_I2:
            return WriteArray(std::get<std::vector<std::int64_t>>(data), parent, v.MVi.cValues,
                              v.MVi.lpi, [](std::int64_t x, short& out) {
                                  out = static_cast<short>(x);
                                  return S_OK;
                              });
        case PT_LONG:
            return WriteArray(std::get<std::vector<std::int64_t>>(data), parent, v.MVl.cValues,
                              v.MVl.lpl, [](std::int64_t x, LONG& out) {
                                  out = static_cast<LONG>(x);
                                  return S_OK;
                              });
        case PT_I8:
            return WriteArray(std::get<std::vector<std::int64_t>>(data), parent, v.MVli.cValues,
                              v.MVli.lpli, [](std::int64_t x, LARGE_INTEGER& out) {
                                  out.QuadPart = x;
                                  return S_OK;
                              });
        case PT_CURRENCY:
            return WriteArray(std::get<std::vector<std::int64_t>>(data), parent, v.MVcur.cValues,
                              v.MVcur.lpcur, [](std::int64_t x, CURRENCY& out) {
                                  out.int64 = x;
                                  return S_OK;
                              });
        case PT_SYSTIME:
            return WriteArray(std::get<std::vector<std::int64_t>>(data), parent, v.MVft.cValues,
                              v.MVft.lpft, [](std::int64_t x, FILETIME& out) {
                                  out = FileTimeFrom(x);
                                  return S_OK;
                              });
        case PT_R4:
            return WriteArray(std::get<std::vector<double>>(data), parent, v.MVflt.cValues,
                              v.MVflt.lpflt, [](double x, float& out) {
                                  out = static_cast<float>(x);
                                  return S_OK;
                              });
        case PT_DOUBLE:
        case PT_APPTIME:
            return WriteArray(std::get<std::vector<double>>(data), parent, v.MVdbl.cValues,
                              v.MVdbl.lpdbl, [](double x, double& out) {
                                  out = x;
                                  return S_OK;
                              });
        case PT_STRING8:
            return WriteArray(std::get<std::vector<std::string>>(data), parent, v.MVszA.cValues,
                              v.MVszA.lppszA, [parent](const std::string& x, LPSTR& out) {
                                  _PV e{};
                                  HRESULT hr = WriteText(x, PT_STRING8, parent, e);
                                  out = e.lpszA;
                                  return hr;
                              });
        case PT_UNICODE:
            return WriteArray(std::get<std::vector<std::string>>(data), parent, v.MVszW.cValues,
                              v.MVszW.lppszW, [parent](const std::string& x, LPWSTR& out) {
                                  _PV e{};
                                  HRESULT hr = WriteText(x, PT_UNICODE, parent, e);
                                  out = e.lpszW;
                                  return hr;
                              });
        case PT_BINARY:
            return WriteArray(std::get<std::vector<std::string>>(data), parent, v.MVbin.cValues,
                              v.MVbin.lpbin, [parent](const std::string& x, SBinary& out) {
                                  _PV e{};
                                  HRESULT hr = WriteBytes(x, PT_BINARY, parent, e);
                                  out = e.bin;
                                  return hr;
                              });
        case PT_CLSID:
            return WriteArray(std::get<std::vector<std::string>>(data), parent, v.MVguid.cValues,
                              v.MVguid.lpguid, [](const std::string& x, GUID& out) {
                                  if (x.size() != sizeof(GUID))
                                      return MAPI_E_CORRUPT_DATA;
                                  std::memcpy(&out, x.data(), sizeof(GUID));
                                  return S_OK;
                              });
        default:
            return MAPI_E_INVALID_TYPE;
    }
}

// ---- the byte form of multi-valued values -----------------------------------------------------

void PutU32(std::string& out, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((x >> (8 * i)) & 0xFF));
}

void PutU64(std::string& out, std::uint64_t x) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((x >> (8 * i)) & 0xFF));
}

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    bool U32(std::uint32_t* x) {
        std::uint64_t v = 0;
        if (!Little(4, &v))
            return false;
        *x = static_cast<std::uint32_t>(v);
        return true;
    }
    bool U64(std::uint64_t* x) { return Little(8, x); }
    bool Bytes(std::size_t n, std::string* out) {
        if (bytes_.size() - pos_ < n)
            return false;
        out->assign(bytes_.substr(pos_, n));
        pos_ += n;
        return true;
    }
    bool AtEnd() const { return pos_ == bytes_.size(); }
    std::size_t Left() const { return bytes_.size() - pos_; }

  private:
    bool Little(std::size_t n, std::uint64_t* x) {
        if (bytes_.size() - pos_ < n)
            return false;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[pos_ + i]))
                 << (8 * i);
        pos_ += n;
        *x = v;
        return true;
    }
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

}  // namespace

ULONG StoredType(ULONG type) {
    if (IsText(type))
        return (type & MV_FLAG) | PT_UNICODE;
    return type;
}

bool IsStorableType(ULONG type) {
    return KindOf(type) != Kind::Invalid && !IsMultiValuedBoolean(type);
}

bool PropertyFromValue(const SPropValue& value, Property* out) {
    const ULONG type = PROP_TYPE(value.ulPropTag);
    if (!IsStorableType(type) || PROP_ID(value.ulPropTag) == PROP_ID_NULL)
        return false;
    out->tag = CHANGE_PROP_TYPE(value.ulPropTag, StoredType(type));
    const _PV& v = value.Value;
    if (type & MV_FLAG) {
        const ULONG base = type & ~MV_FLAG;
        const ULONG count = v.MVl.cValues;
        if (count > 0 && !ArrayOf(v))
            return false;
        switch (KindOf(base)) {
            case Kind::Integer: {
                std::vector<std::int64_t> items;
                for (ULONG i = 0; i < count; ++i)
                    items.push_back(IntegerOf(base, ElementOf(type, v, i)));
                out->data = std::move(items);
                return true;
            }
            case Kind::Real: {
                std::vector<double> items;
                for (ULONG i = 0; i < count; ++i)
                    items.push_back(RealOf(base, ElementOf(type, v, i)));
                out->data = std::move(items);
                return true;
            }
            default: {
                std::vector<std::string> items;
                for (ULONG i = 0; i < count; ++i) {
                    const _PV e = ElementOf(type, v, i);
                    if (!ElementPresent(base, e))
                        return false;
                    items.push_back(IsText(base) ? TextOfElement(base, e) : BytesOf(base, e));
                }
                out->data = std::move(items);
                return true;
            }
        }
    }
    if (!ElementPresent(type, v))
        return false;
    switch (KindOf(type)) {
        case Kind::Null:
            out->data = std::monostate{};
            return true;
        case Kind::Integer:
            out->data = IntegerOf(type, v);
            return true;
        case Kind::Real:
            out->data = RealOf(type, v);
            return true;
        case Kind::Text:
            out->data = TextOfElement(type, v);
            return true;
        default:
            out->data = BytesOf(type, v);
            return true;
    }
}

Property TextProperty(ULONG tag, std::string utf8) {
    return {CHANGE_PROP_TYPE(tag, StoredType(PROP_TYPE(tag))), std::move(utf8)};
}

HRESULT WriteValue(const Property& property, ULONG wantedType, ULONG flags, LPVOID parent,
                   SPropValue* out) {
    const ULONG stored = PROP_TYPE(property.tag);
    ULONG type = wantedType;
    if (type == PT_UNSPECIFIED) {
        type = stored;
        if (IsText(stored) && !(flags & MAPI_UNICODE))
            type = (stored & MV_FLAG) | PT_STRING8;
    }
    const bool compatible = type == stored || (IsText(type) && IsText(stored) &&
                                               (type & MV_FLAG) == (stored & MV_FLAG));
    HRESULT hr = MAPI_E_INVALID_TYPE;
    out->Value = {};
    if (compatible) {
        _PV& v = out->Value;
        if (type & MV_FLAG) {
            hr = WriteMultiple(property.data, type, parent, v);
        } else {
            switch (KindOf(type)) {
                case Kind::Null:
                    hr = S_OK;
                    break;
                case Kind::Integer:
                    SetInteger(type, std::get<std::int64_t>(property.data), v);
                    hr = S_OK;
                    break;
                case Kind::Real:
                    SetReal(type, std::get<double>(property.data), v);
                    hr = S_OK;
                    break;
                case Kind::Text:
                    hr = WriteText(std::get<std::string>(property.data), type, parent, v);
                    break;
                default:
                    hr = WriteBytes(std::get<std::string>(property.data), type, parent, v);
                    break;
            }
        }
    }
    if (FAILED(hr)) {
        out->ulPropTag = CHANGE_PROP_TYPE(property.tag, PT_ERROR);
        out->Value = {};
        out->Value.err = hr;
        return hr;
    }
    out->ulPropTag = CHANGE_PROP_TYPE(property.tag, type);
    return S_OK;
}

const Property* FindProperty(const PropertyList& list, ULONG propId) {
    for (const Property& p : list) {
        if (PROP_ID(p.tag) == propId)
            return &p;
    }
    return nullptr;
}

void SetProperty(PropertyList& list, Property property) {
    for (Property& p : list) {
        if (PROP_ID(p.tag) == PROP_ID(property.tag)) {
            p = std::move(property);
            return;
        }
    }
    list.push_back(std::move(property));
}

bool RemoveProperty(PropertyList& list, ULONG propId) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (PROP_ID(it->tag) == propId) {
            list.erase(it);
            return true;
        }
    }
    return false;
}

std::string TextOf(const PropertyList& list, ULONG propId) {
    const Property* p = FindProperty(list, propId);
    if (!p || PROP_TYPE(p->tag) != PT_UNICODE)
        return {};
    return std::get<std::string>(p->data);
}

HRESULT ServeProps(const PropertyList& list, LPSPropTagArray tags, ULONG flags, ULONG* count,
                   LPSPropValue* values) {
    if (!count || !values)
        return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *values = nullptr;
    const std::size_t n = tags ? tags->cValues : list.size();
    LPVOID block = nullptr;
    if (FAILED(AllocateBuffer(static_cast<ULONG>(std::max<std::size_t>(n, 1) * sizeof(SPropValue)),
                              &block)))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    Buffer array(block);
    auto* out = array.Get<SPropValue>();
    bool errors = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!tags) {
            if (WriteValue(list[i], PT_UNSPECIFIED, flags, out, &out[i]) ==
                MAPI_E_NOT_ENOUGH_MEMORY)
                return MAPI_E_NOT_ENOUGH_MEMORY;
            continue;
        }
        const ULONG tag = tags->aulPropTag[i];
        const Property* p = FindProperty(list, PROP_ID(tag));
        HRESULT hr = MAPI_E_NOT_FOUND;
        if (p)
            hr = WriteValue(*p, PROP_TYPE(tag), flags, out, &out[i]);
        if (hr == MAPI_E_NOT_ENOUGH_MEMORY)
            return hr;
        if (FAILED(hr)) {
            out[i].ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
            out[i].Value.err = hr;
            errors = true;
        }
    }
    *count = static_cast<ULONG>(n);
    *values = static_cast<LPSPropValue>(array.Release());
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT HandOutTags(const std::vector<ULONG>& tags, LPSPropTagArray* out) {
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    LPVOID block = nullptr;
    if (FAILED(AllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(tags.size())), &block)))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* array = static_cast<LPSPropTagArray>(block);
    array->cValues = static_cast<ULONG>(tags.size());
    std::copy(tags.begin(), tags.end(), array->aulPropTag);
    *out = array;
    return S_OK;
}

HRESULT HandOutPropList(const PropertyList& list, ULONG flags, LPSPropTagArray* out) {
    std::vector<ULONG> tags;
    for (const Property& p : list) {
        ULONG type = PROP_TYPE(p.tag);
        if (IsText(type) && !(flags & MAPI_UNICODE))
            type = (type & MV_FLAG) | PT_STRING8;
        tags.push_back(CHANGE_PROP_TYPE(p.tag, type));
    }
    return HandOutTags(tags, out);
}

std::string EncodeMultiple(const PropertyData& data) {
    std::string out;
    if (const auto* ints = std::get_if<std::vector<std::int64_t>>(&data)) {
        PutU32(out, static_cast<std::uint32_t>(ints->size()));
        for (std::int64_t x : *ints)
            PutU64(out, static_cast<std::uint64_t>(x));
    } else if (const auto* reals = std::get_if<std::vector<double>>(&data)) {
        PutU32(out, static_cast<std::uint32_t>(reals->size()));
        for (double x : *reals) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &x, sizeof bits);
            PutU64(out, bits);
        }
    } else if (const auto* items = std::get_if<std::vector<std::string>>(&data)) {
        PutU32(out, static_cast<std::uint32_t>(items->size()));
        for (const std::string& x : *items) {
            PutU32(out, static_cast<std::uint32_t>(x.size()));
            out += x;
        }
    }
    return out;
}

bool DecodeMultiple(ULONG type, std::string_view bytes, PropertyData* out) {
    ByteReader reader(bytes);
    std::uint32_t count = 0;
    if (!(type & MV_FLAG) || !IsStorableType(type) || !reader.U32(&count))
        return false;
    switch (KindOf(type & ~MV_FLAG)) {
        case Kind::Integer:
        case Kind::Real: {
            if (reader.Left() != static_cast<std::uint64_t>(count) * 8)
                return false;
            std::vector<std::int64_t> ints;
            std::vector<double> reals;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint64_t bits = 0;
                reader.U64(&bits);
                double real = 0;
                std::memcpy(&real, &bits, sizeof real);
                ints.push_back(static_cast<std::int64_t>(bits));
                reals.push_back(real);
            }
            if (KindOf(type & ~MV_FLAG) == Kind::Integer) {
                *out = std::move(ints);
            } else {
                *out = std::move(reals);
            }
            return true;
        }
        default: {
            std::vector<std::string> items;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint32_t size = 0;
                std::string item;
                if (!reader.U32(&size) || !reader.Bytes(size, &item))
                    return false;
                items.push_back(std::move(item));
            }
            if (!reader.AtEnd())
                return false;
            *out = std::move(items);
            return true;
        }
    }
}

}  // namespace wab

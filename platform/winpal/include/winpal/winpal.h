// What this platform layer offers beyond the Windows API: the prefix, text conversions at the
// file-system boundary, registry import and export, and small C++ owners for COM values.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <winpal/oleauto.h>
#include <winpal/types.h>

namespace winpal {

// ---- the prefix --------------------------------------------------------------------------------
// WINPAL_PREFIX, or $XDG_DATA_HOME/winpal, or ~/.local/share/winpal; read afresh on every call
// and created when missing.
std::filesystem::path PrefixPath();
// USERPROFILE when the environment sets it, otherwise the prefix's "profile" folder (created).
std::filesystem::path ProfilePath();

// ---- text
// ----------------------------------------------------------------------------------------
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// The ANSI code page (GetACP) to and from wide text; characters the code page cannot hold
// become "?".
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);
// File names: ANSI text as the Windows API sees it, UTF-8 on disk. Backslashes in an ANSI path
// become the platform's separator. A path that starts with a drive letter ("c:\\x", "D:/x")
// lies inside the prefix, in one folder per letter ("drive_c/x", made when first named);
// ".." never climbs above a drive's root.
std::filesystem::path PathFromAnsi(std::string_view ansiPath);
std::string AnsiFromPath(const std::filesystem::path& path);
// The registry form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
std::string GuidText(REFGUID guid);
// The whole text of a BSTR that the caller does not own, embedded NULs included; empty for null.
inline std::u16string_view BstrView(BSTR b) {
    return b ? std::u16string_view(b, SysStringLen(b)) : std::u16string_view();
}

// ---- registry ---------------------------------------------------------------------------------
// Imports a .reg file (version 5.00 in UTF-16 with byte-order mark or UTF-8, or REGEDIT4) into
// the registry: "[key]" sections create keys, "[-key]" deletes a key tree, "name"=- deletes a
// value. Returns ERROR_SUCCESS or an error code; `error` receives "file:line: reason".
LONG RegImportFile(const std::filesystem::path& file, std::string* error = nullptr);
LONG RegImportText(std::string_view text, std::string* error = nullptr);
// The key (a full path such as "HKEY_CURRENT_USER\\Identities") and everything below it in the
// .reg text format.
LONG RegExportKey(std::string_view fullKeyPath, std::string* text);
// The latest problem met while loading a registry file ("path:line: reason"), or empty text.
std::string RegLastLoadError();

// ---- streams ---------------------------------------------------------------------------------
// A memory stream (as CreateStreamOnHGlobal makes) that starts out holding `bytes`, positioned at
// its start; the bytes are taken over, not copied.
HRESULT CreateStreamOnBytes(std::string bytes, IStream** stream);

// ---- modules ---------------------------------------------------------------------------------
// The library (or program) that contains `address`; use with GetModuleFileNameA to find the
// file of the running library, as a DLL does with its instance handle.
HMODULE ModuleFromAddress(const void* address);

// ---- owners
// --------------------------------------------------------------------------------------

// Holds one reference to a COM interface.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Adds a reference of its own.
    static ComPtr Share(T* p) {
        if (p)
            p->AddRef();
        return Adopt(p);
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out parameters: releases what is held and gives the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    // Gives up the reference to the caller.
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>* out) const {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(iid, out->PutVoid());
    }

  private:
    T* p_ = nullptr;
};

// Owns one BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text);
    static Bstr FromUtf8(std::string_view utf8);
    static Bstr FromAnsi(std::string_view ansi);
    static Bstr Adopt(BSTR b) {
        Bstr r;
        r.b_ = b;
        return r;
    }
    Bstr(const Bstr& o);
    Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    Bstr& operator=(Bstr o) noexcept {
        std::swap(b_, o.b_);
        return *this;
    }
    ~Bstr();

    BSTR Get() const { return b_; }
    BSTR* Put();
    BSTR Detach() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    UINT Length() const;
    std::u16string_view View() const;
    std::string Utf8() const;
    std::string Ansi() const;

  private:
    BSTR b_ = nullptr;
};

// Owns one VARIANT and clears it when done.
class Variant {
  public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& o);
    Variant& operator=(const Variant& o);
    Variant(Variant&& o) noexcept : v_(o.Detach()) {}
    Variant& operator=(Variant&& o) noexcept {
        std::swap(v_, o.v_);
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    static Variant I2(SHORT value);
    static Variant I4(LONG value);
    static Variant R8(double value);
    static Variant Bool(bool value);
    static Variant Text(std::u16string_view text);
    static Variant Utf8(std::string_view text);
    // Adds a reference of its own (null gives VT_DISPATCH holding null: Nothing).
    static Variant Dispatch(IDispatch* dispatch);

    VARIANT* Ptr() { return &v_; }
    const VARIANT* Ptr() const { return &v_; }
    VARIANT Detach() {
        VARIANT v = v_;
        VariantInit(&v_);
        return v;
    }
    VARTYPE Type() const { return v_.vt; }

  private:
    VARIANT v_;
};

}  // namespace winpal

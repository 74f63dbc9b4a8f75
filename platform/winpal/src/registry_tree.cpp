#include "registry_tree.h"

#include <algorithm>
#include <cwctype>

#include <locale.h>

#include <winpal/kernel.h>

namespace winpal::reg {

namespace {

// Upper-case mappings come from the C library's UTF-8 locale, whose tables follow Unicode;
// without it only ASCII letters are folded.
locale_t CaseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char16_t FoldChar(char16_t c) {
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    locale_t locale = CaseLocale();
    if (!locale)
        return c;
    wint_t upper = towupper_l(c, locale);
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

}  // namespace

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded)
        c = FoldChar(c);
    return folded;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    }
    return true;
}

KeyPath SplitKeyPath(std::u16string_view path) {
    KeyPath names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > start)
            names.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool PathStartsWith(const KeyPath& path, const KeyPath& prefix) {
    if (path.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (!SameName(path[i], prefix[i]))
            return false;
    }
    return true;
}

Key::Key(std::u16string name) : name_(std::move(name)), folded_(FoldCase(name_)) {}

std::vector<std::unique_ptr<Key>>::const_iterator Key::LowerBound(
    const std::u16string& folded) const {
    return std::lower_bound(
        subkeys_.begin(), subkeys_.end(), folded,
        [](const std::unique_ptr<Key>& key, const std::u16string& f) { return key->folded_ < f; });
}

Key* Key::FindSubkey(std::u16string_view name) const {
    std::u16string folded = FoldCase(name);
    auto it = LowerBound(folded);
    return it != subkeys_.end() && (*it)->folded_ == folded ? it->get() : nullptr;
}

Key& Key::EnsureSubkey(std::u16string_view name, bool* created) {
    std::u16string folded = FoldCase(name);
    auto it = LowerBound(folded);
    if (it != subkeys_.end() && (*it)->folded_ == folded) {
        if (created)
            *created = false;
        return **it;
    }
    auto inserted = subkeys_.insert(it, std::make_unique<Key>(std::u16string(name)));
    (*inserted)->lastWrite_ = Now();
    lastWrite_ = (*inserted)->lastWrite_;
    if (created)
        *created = true;
    return **inserted;
}

bool Key::RemoveSubkey(std::u16string_view name) {
    std::u16string folded = FoldCase(name);
    auto it = LowerBound(folded);
    if (it == subkeys_.end() || (*it)->folded_ != folded)
        return false;
    subkeys_.erase(it);
    lastWrite_ = Now();
    return true;
}

const Value* Key::FindValue(std::u16string_view name) const {
    std::u16string folded = FoldCase(name);
    for (const Value& value : values_) {
        if (value.folded == folded)
            return &value;
    }
    return nullptr;
}

void Key::SetValue(std::u16string_view name, DWORD type, std::vector<BYTE> data) {
    lastWrite_ = Now();
    if (Value* value = const_cast<Value*>(FindValue(name))) {
        value->type = type;
        value->data = std::move(data);
        return;
    }
    values_.push_back(Value{std::u16string(name), FoldCase(name), type, std::move(data)});
}

bool Key::RemoveValue(std::u16string_view name) {
    const Value* value = FindValue(name);
    if (!value)
        return false;
    values_.erase(values_.begin() + (value - values_.data()));
    lastWrite_ = Now();
    return true;
}

void Key::Clear() {
    subkeys_.clear();
    values_.clear();
    lastWrite_ = Now();
}

Key* FindPath(Key& root, const KeyPath& path) {
    Key* key = &root;
    for (const std::u16string& name : path) {
        key = key->FindSubkey(name);
        if (!key)
            return nullptr;
    }
    return key;
}

const Key* FindPath(const Key& root, const KeyPath& path) {
    return FindPath(const_cast<Key&>(root), path);
}

Key& EnsurePath(Key& root, const KeyPath& path, bool* created) {
    Key* key = &root;
    bool last = false;
    for (const std::u16string& name : path)
        key = &key->EnsureSubkey(name, &last);
    if (created)
        *created = last;
    return *key;
}

bool RemovePath(Key& root, const KeyPath& path) {
    if (path.empty())
        return false;
    Key* parent = FindPath(root, KeyPath(path.begin(), path.end() - 1));
    return parent && parent->RemoveSubkey(path.back());
}

KeyPath StoredNames(const Key& root, const KeyPath& path) {
    KeyPath stored;
    const Key* key = &root;
    for (const std::u16string& name : path) {
        key = key->FindSubkey(name);
        stored.push_back(key->Name());
    }
    return stored;
}

FILETIME Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return now;
}

std::vector<BYTE> Utf16Bytes(std::u16string_view text) {
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

std::u16string Utf16FromBytes(const BYTE* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    return text;
}

}  // namespace winpal::reg

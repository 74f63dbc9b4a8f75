// The VS_VERSIONINFO block of a version resource: every node is a 6-byte head (its length, the
// length of its value, whether the value is text), its UTF-16 key, its value and its children,
// each starting on a 32-bit boundary of the block.
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <winpal/kernel.h>
#include <winpal/resources.h>
#include <winpal/winpal.h>

namespace {

constexpr DWORD kTranslation = 0x04B00409;  // US English, code page 1200 (UTF-16)
constexpr WORD kText = 1;
constexpr WORD kBinary = 0;

void AppendWord(std::string& out, WORD value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void Align(std::string& out) {
    out.resize((out.size() + 3) & ~size_t{3}, '\0');
}

std::string Utf16Bytes(std::u16string_view text) {
    std::string out;
    for (char16_t c : text)
        AppendWord(out, static_cast<WORD>(c));
    AppendWord(out, 0);
    return out;
}

// One node, its head filled in. Every node starts on a 32-bit boundary, so aligning within it
// aligns within the block.
std::string Node(std::u16string_view key, const std::string& value, WORD valueLength, WORD type,
                 const std::vector<std::string>& children = {}) {
    std::string out(6, '\0');
    out += Utf16Bytes(key);
    Align(out);
    out += value;
    for (const std::string& child : children) {
        Align(out);
        out += child;
    }
    std::string head;
    AppendWord(head, static_cast<WORD>(out.size()));
    AppendWord(head, valueLength);
    AppendWord(head, type);
    out.replace(0, 6, head);
    return out;
}

WORD LoadWord(const unsigned char* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}

struct NodeView {
    size_t begin = 0;
    size_t end = 0;  // past the node's last byte
    WORD valueLength = 0;
    WORD type = 0;
    std::u16string key;
    size_t value = 0;     // where the value starts
    size_t children = 0;  // where the first child may start
};

size_t Aligned(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

// The node at `begin` of a block of `size` bytes, when it lies whole inside `limit`.
std::optional<NodeView> ReadNode(const unsigned char* block, size_t begin, size_t limit) {
    if (begin + 6 > limit)
        return std::nullopt;
    NodeView node;
    node.begin = begin;
    const WORD length = LoadWord(block + begin);
    node.end = begin + length;
    node.valueLength = LoadWord(block + begin + 2);
    node.type = LoadWord(block + begin + 4);
    if (length < 6 || node.end > limit)
        return std::nullopt;
    size_t at = begin + 6;
    for (;; at += 2) {
        if (at + 2 > node.end)
            return std::nullopt;
        const WORD c = LoadWord(block + at);
        if (c == 0)
            break;
        node.key += static_cast<char16_t>(c);
    }
    node.value = Aligned(at + 2);
    const size_t valueBytes =
        node.type == kText ? size_t{node.valueLength} * 2 : size_t{node.valueLength};
    if (node.value + valueBytes > node.end && valueBytes > 0)
        return std::nullopt;
    node.children = Aligned(node.value + valueBytes);
    return node;
}

bool SameKey(std::u16string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t x = a[i] < 0x80 ? static_cast<char16_t>(std::tolower(a[i])) : a[i];
        const char16_t y = static_cast<char16_t>(std::tolower(static_cast<unsigned char>(b[i])));
        if (x != y)
            return false;
    }
    return true;
}

std::optional<NodeView> Child(const unsigned char* block, const NodeView& parent,
                              std::string_view key) {
    for (size_t at = parent.children; at < parent.end;) {
        std::optional<NodeView> child = ReadNode(block, at, parent.end);
        if (!child)
            return std::nullopt;
        if (SameKey(child->key, key))
            return child;
        at = Aligned(child->end);
    }
    return std::nullopt;
}

}  // namespace

namespace winpal {

std::string EncodeVersionInfo(const VersionInfo& info) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    fixed.dwFileVersionMS = static_cast<DWORD>(info.fileVersion[0]) << 16 | info.fileVersion[1];
    fixed.dwFileVersionLS = static_cast<DWORD>(info.fileVersion[2]) << 16 | info.fileVersion[3];
    fixed.dwProductVersionMS =
        static_cast<DWORD>(info.productVersion[0]) << 16 | info.productVersion[1];
    fixed.dwProductVersionLS =
        static_cast<DWORD>(info.productVersion[2]) << 16 | info.productVersion[3];
    fixed.dwFileFlagsMask = 0x3F;
    fixed.dwFileOS = VOS__WINDOWS32;
    fixed.dwFileType = info.fileType;
    std::string fixedBytes(sizeof fixed, '\0');
    std::memcpy(fixedBytes.data(), &fixed, sizeof fixed);

    std::vector<std::string> strings;
    for (const auto& [key, value] : info.strings) {
        const std::u16string text = Utf8ToUtf16(value);
        strings.push_back(
            Node(Utf8ToUtf16(key), Utf16Bytes(text), static_cast<WORD>(text.size() + 1), kText));
    }
    std::string translation;
    AppendWord(translation, static_cast<WORD>(kTranslation & 0xFFFF));
    AppendWord(translation, static_cast<WORD>(kTranslation >> 16));
    return Node(
        u"VS_VERSION_INFO", fixedBytes, sizeof fixed, kBinary,
        {Node(u"StringFileInfo", {}, 0, kText, {Node(u"040904B0", {}, 0, kText, strings)}),
         Node(u"VarFileInfo", {}, 0, kText, {Node(u"Translation", translation, 4, kBinary)})});
}

}  // namespace winpal

BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) {
    if (!pBlock || !lpSubBlock || !lplpBuffer)
        return FALSE;
    auto* block = static_cast<unsigned char*>(const_cast<void*>(pBlock));
    const size_t size = LoadWord(block);
    std::optional<NodeView> node = ReadNode(block, 0, size);
    std::string_view path(lpSubBlock);
    while (node && !path.empty()) {
        const size_t start = path.find_first_not_of("\\");
        if (start == std::string_view::npos)
            break;
        path.remove_prefix(start);
        const size_t stop = std::min(path.find('\\'), path.size());
        node = Child(block, *node, path.substr(0, stop));
        path.remove_prefix(stop);
    }
    if (!node)
        return FALSE;
    if (node->type != kText) {
        *lplpBuffer = block + node->value;
        if (puLen)
            *puLen = node->valueLength;
        return node->valueLength > 0;
    }
    // A string is handed out in the ANSI code page. The copy is kept by the process, never
    // written into the block: a caller may pass the resource itself (LockResource), which has
    // no room after it. Each distinct text is kept once, so the memory stays that of the texts.
    std::u16string text;
    for (size_t at = node->value; at + 2 <= node->value + size_t{node->valueLength} * 2; at += 2) {
        const WORD c = LoadWord(block + at);
        if (c == 0)
            break;
        text += static_cast<char16_t>(c);
    }
    static std::mutex mutex;
    static std::set<std::string> copies;
    std::string ansi = winpal::WideToAnsi(text);
    const char* copy = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        copy = copies.insert(std::move(ansi)).first->c_str();
    }
    *lplpBuffer = const_cast<char*>(copy);
    if (puLen)
        *puLen = static_cast<UINT>(std::strlen(copy) + 1);
    return TRUE;
}

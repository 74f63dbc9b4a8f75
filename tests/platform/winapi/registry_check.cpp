// The registry functions' results, sizes, truncation and enumeration order.
#include <cstring>
#include <set>
#include <string>

#include "check.h"

namespace {

constexpr char kCheckKey[] = "Software\\WinapiCheck";

// A fresh, empty key under HKEY_CURRENT_USER for one case; removed again when done.
class ScratchKey {
  public:
    ScratchKey() {
        RegDeleteTreeA(HKEY_CURRENT_USER, kCheckKey);
        DWORD disposition = 0;
        LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, kCheckKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, &key_, &disposition);
        CHECK_EQ(result, ERROR_SUCCESS);
        CHECK_EQ(disposition, REG_CREATED_NEW_KEY);
    }
    ~ScratchKey() {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kCheckKey);
    }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

LONG SetText(HKEY key, const char* name, const char* bytes, DWORD size, DWORD type = REG_SZ) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes), size);
}

struct Queried {
    LONG result;
    DWORD type;
    DWORD size;
    std::string bytes;  // the whole buffer after the call
};

// Queries `name` into a buffer of `bufferSize` bytes that starts out filled with '#'.
Queried Query(HKEY key, const char* name, DWORD bufferSize) {
    std::string buffer(bufferSize, '#');
    Queried q{0, 0xFFFF, bufferSize, {}};
    q.result = RegQueryValueExA(key, name, nullptr, &q.type, reinterpret_cast<BYTE*>(buffer.data()),
                                &q.size);
    q.bytes = buffer;
    return q;
}

}  // namespace

CHECK_CASE(RegistryCreateOpenAndMissingKeys) {
    ScratchKey scratch;
    HKEY sub = nullptr;
    DWORD disposition = 0;
    CHECK_EQ(RegCreateKeyExA(scratch.Get(), "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                             &disposition),
             ERROR_SUCCESS);
    CHECK_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(sub);
    CHECK_EQ(RegCreateKeyExA(scratch.Get(), "a\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                             &disposition),
             ERROR_SUCCESS);
    CHECK_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(sub);
    CHECK_EQ(RegOpenKeyExA(scratch.Get(), "A\\b", 0, KEY_READ, &sub), ERROR_SUCCESS);
    RegCloseKey(sub);
    sub = nullptr;
    CHECK_EQ(RegOpenKeyExA(scratch.Get(), "Missing", 0, KEY_READ, &sub), ERROR_FILE_NOT_FOUND);
    CHECK_TRUE(sub == nullptr);
    // A key with subkeys is not deleted by RegDeleteKeyA.
    CHECK_EQ(RegDeleteKeyA(scratch.Get(), "A"), ERROR_ACCESS_DENIED);
    CHECK_EQ(RegDeleteKeyA(scratch.Get(), "A\\B"), ERROR_SUCCESS);
    CHECK_EQ(RegDeleteKeyA(scratch.Get(), "A"), ERROR_SUCCESS);
    CHECK_EQ(RegDeleteKeyA(scratch.Get(), "A"), ERROR_FILE_NOT_FOUND);
    CHECK_EQ(RegDeleteValueA(scratch.Get(), "nothing"), ERROR_FILE_NOT_FOUND);
}

CHECK_CASE(RegistryQuerySizesAndTruncation) {
    ScratchKey scratch;
    HKEY key = scratch.Get();
    CHECK_EQ(SetText(key, "text", "hello", 6), ERROR_SUCCESS);
    // Size only.
    DWORD type = 0, size = 0;
    CHECK_EQ(RegQueryValueExA(key, "text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(type, REG_SZ);
    CHECK_EQ(size, 6u);
    // Exactly the size, and larger.
    Queried fits = Query(key, "text", 6);
    CHECK_EQ(fits.result, ERROR_SUCCESS);
    CHECK_EQ(fits.size, 6u);
    CHECK_EQ(fits.bytes, std::string("hello\0", 6));
    Queried roomy = Query(key, "TEXT", 10);
    CHECK_EQ(roomy.result, ERROR_SUCCESS);
    CHECK_EQ(roomy.size, 6u);
    CHECK_EQ(roomy.bytes.substr(0, 6), std::string("hello\0", 6));
    // One byte short: ERROR_MORE_DATA and the size needed.
    Queried shortBy1 = Query(key, "text", 5);
    CHECK_EQ(shortBy1.result, ERROR_MORE_DATA);
    CHECK_EQ(shortBy1.size, 6u);
    CHECK_EQ(shortBy1.type, REG_SZ);
    // A size but no data is allowed; data without a size is not.
    size = 0;
    CHECK_EQ(RegQueryValueExA(key, "text", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(size, 6u);
    BYTE data[8];
    CHECK_EQ(RegQueryValueExA(key, "text", nullptr, nullptr, data, nullptr),
             ERROR_INVALID_PARAMETER);
    // A missing value, and the default value of a key that has none.
    size = sizeof data;
    CHECK_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
    size = sizeof data;
    CHECK_EQ(RegQueryValueExA(key, "", nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
    CHECK_EQ(SetText(key, nullptr, "dflt", 5), ERROR_SUCCESS);
    Queried byEmptyName = Query(key, "", 8);
    CHECK_EQ(byEmptyName.result, ERROR_SUCCESS);
    CHECK_EQ(byEmptyName.size, 5u);
    Queried byNullName = Query(key, nullptr, 8);
    CHECK_EQ(byNullName.bytes.substr(0, 5), std::string("dflt\0", 5));
}

CHECK_CASE(RegistryTextWithAndWithoutItsNul) {
    ScratchKey scratch;
    HKEY key = scratch.Get();
    // Stored without a NUL: the size read back is the size written, and a buffer with room gets
    // a NUL after the text that the size does not count.
    CHECK_EQ(SetText(key, "bare", "abcd", 3), ERROR_SUCCESS);
    Queried bare = Query(key, "bare", 8);
    CHECK_EQ(bare.result, ERROR_SUCCESS);
    CHECK_EQ(bare.size, 3u);
    CHECK_EQ(bare.bytes.substr(0, 4), std::string("abc\0", 4));
    Queried bareExact = Query(key, "bare", 3);
    CHECK_EQ(bareExact.result, ERROR_SUCCESS);
    CHECK_EQ(bareExact.bytes, "abc");
    // A NUL just past the given size.
    CHECK_EQ(SetText(key, "forgot", "abc", 3), ERROR_SUCCESS);
    SIDES_EQ(Query(key, "forgot", 8).size, 4u, 3u,
             "Windows also stores a NUL that follows string data uncounted, reading past cbData; "
             "winpal never reads beyond the size it is given");
    // Stored with its NUL.
    CHECK_EQ(SetText(key, "terminated", "abc", 4), ERROR_SUCCESS);
    Queried terminated = Query(key, "terminated", 8);
    CHECK_EQ(terminated.size, 4u);
    CHECK_EQ(terminated.bytes.substr(0, 4), std::string("abc\0", 4));
    // An empty text with and without its NUL.
    CHECK_EQ(SetText(key, "empty0", "", 0), ERROR_SUCCESS);
    CHECK_EQ(Query(key, "empty0", 4).size, 0u);
    CHECK_EQ(SetText(key, "empty1", "", 1), ERROR_SUCCESS);
    CHECK_EQ(Query(key, "empty1", 4).size, 1u);
    // Expandable text keeps its type; a NUL inside the data is kept.
    CHECK_EQ(SetText(key, "expand", "%TEMP%\\x", 9, REG_EXPAND_SZ), ERROR_SUCCESS);
    Queried expand = Query(key, "expand", 16);
    CHECK_EQ(expand.type, REG_EXPAND_SZ);
    CHECK_EQ(expand.bytes.substr(0, 9), std::string("%TEMP%\\x\0", 9));
    CHECK_EQ(SetText(key, "multi", "a\0bc\0\0", 6, REG_MULTI_SZ), ERROR_SUCCESS);
    Queried multi = Query(key, "multi", 16);
    CHECK_EQ(multi.type, REG_MULTI_SZ);
    CHECK_EQ(multi.size, 6u);
    CHECK_EQ(multi.bytes.substr(0, 6), std::string("a\0bc\0\0", 6));
}

CHECK_CASE(RegistryNumbersAndBinary) {
    ScratchKey scratch;
    HKEY key = scratch.Get();
    DWORD number = 0x12345678;
    CHECK_EQ(RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
             ERROR_SUCCESS);
    DWORD read = 0, type = 0, size = 4;
    CHECK_EQ(RegQueryValueExA(key, "n", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
             ERROR_SUCCESS);
    CHECK_EQ(type, REG_DWORD);
    CHECK_EQ(read, 0x12345678u);
    size = 2;
    CHECK_EQ(RegQueryValueExA(key, "n", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
             ERROR_MORE_DATA);
    CHECK_EQ(size, 4u);
    const BYTE blob[] = {0, 1, 2, 0xFF};
    CHECK_EQ(RegSetValueExA(key, "blob", 0, REG_BINARY, blob, 4), ERROR_SUCCESS);
    Queried binary = Query(key, "blob", 4);
    CHECK_EQ(binary.type, REG_BINARY);
    CHECK_EQ(binary.bytes, std::string("\0\1\2\xFF", 4));
    CHECK_EQ(RegSetValueExA(key, "zero", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    Queried zero = Query(key, "zero", 4);
    CHECK_EQ(zero.result, ERROR_SUCCESS);
    CHECK_EQ(zero.size, 0u);
}

CHECK_CASE(RegistryEnumeratesKeysInOrderWithBufferRules) {
    ScratchKey scratch;
    HKEY key = scratch.Get();
    for (const char* name : {"delta", "Alpha", "charlie", "Bravo", "_under", "10", "9"}) {
        HKEY sub = nullptr;
        CHECK_EQ(RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
                 ERROR_SUCCESS);
        RegCloseKey(sub);
    }
    std::string order;
    char name[32];
    DWORD index = 0;
    for (;; ++index) {
        DWORD length = sizeof name;
        LONG result = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) {
            CHECK_EQ(result, ERROR_NO_MORE_ITEMS);
            break;
        }
        CHECK_EQ(length, std::strlen(name));
        order += std::string(name) + " ";
    }
    // Names sort without regard to case.
    SIDES_EQ(order, std::string("10 9 _under Alpha Bravo charlie delta "),
             std::string("10 9 Alpha Bravo charlie delta _under "),
             "the documentation leaves the order open; Windows' hives compare upper-cased names "
             "('_' after the letters), as winpal does, Wine's server lower-cased ones");
    // A buffer one short of the name and its NUL.
    const DWORD alpha = kOnWindows ? 3 : 2;
    DWORD length = 5;  // "Alpha" needs 6
    CHECK_EQ(RegEnumKeyExA(key, alpha, name, &length, nullptr, nullptr, nullptr, nullptr),
             ERROR_MORE_DATA);
    length = 6;
    CHECK_EQ(RegEnumKeyExA(key, alpha, name, &length, nullptr, nullptr, nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(length, 5u);
    CHECK_EQ(std::string(name), "Alpha");
    DWORD subKeys = 0, longestKey = 0, values = 0;
    CHECK_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &longestKey, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(subKeys, 7u);
    CHECK_EQ(longestKey, 7u);  // "charlie", without the NUL
    CHECK_EQ(values, 0u);
}

CHECK_CASE(RegistryEnumeratesValuesWithBufferRules) {
    ScratchKey scratch;
    HKEY key = scratch.Get();
    CHECK_EQ(SetText(key, "zulu", "last", 5), ERROR_SUCCESS);
    CHECK_EQ(SetText(key, "alpha", "first", 6), ERROR_SUCCESS);
    CHECK_EQ(SetText(key, "Mike", "", 1), ERROR_SUCCESS);
    std::string order;
    std::set<std::string> seen;
    for (DWORD index = 0;; ++index) {
        char name[16];
        DWORD nameLength = sizeof name, type = 0;
        BYTE data[16];
        DWORD size = sizeof data;
        LONG result = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size);
        if (result != ERROR_SUCCESS) {
            CHECK_EQ(result, ERROR_NO_MORE_ITEMS);
            break;
        }
        CHECK_EQ(nameLength, std::strlen(name));
        CHECK_EQ(type, REG_SZ);
        order += std::string(name) + " ";
    }
    SIDES_EQ(order, std::string("alpha Mike zulu "), std::string("zulu alpha Mike "),
             "Wine keeps values sorted by name; Windows (whose order the documentation leaves "
             "open) and winpal keep the order of creation");
    char name[16];
    BYTE data[16];
    // The name "alpha" needs 6 characters with its NUL.
    DWORD index = kOnWindows ? 0 : 1;
    DWORD nameLength = 5, size = sizeof data;
    CHECK_EQ(RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, data, &size),
             ERROR_MORE_DATA);
    CHECK_EQ(nameLength, 5u);  // left as it was
    CHECK_EQ(size, 6u);
    nameLength = 6;
    size = sizeof data;
    CHECK_EQ(RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, data, &size),
             ERROR_SUCCESS);
    CHECK_EQ(nameLength, 5u);
    CHECK_EQ(size, 6u);
    // Data that does not fit: ERROR_MORE_DATA and the size needed.
    nameLength = sizeof name;
    size = 3;
    CHECK_EQ(RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, data, &size),
             ERROR_MORE_DATA);
    CHECK_EQ(size, 6u);
    CHECK_EQ(nameLength, sizeof name);
    // Text stored without its NUL gets one in a buffer with room, as from RegQueryValueExA.
    CHECK_EQ(SetText(key, "alpha", "firstX", 5), ERROR_SUCCESS);
    std::memset(data, '#', sizeof data);
    nameLength = sizeof name;
    size = sizeof data;
    CHECK_EQ(RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, data, &size),
             ERROR_SUCCESS);
    CHECK_EQ(size, 5u);
    CHECK_EQ(std::string(reinterpret_cast<char*>(data), 6), std::string("first\0", 6));
    CHECK_EQ(SetText(key, "alpha", "first", 6), ERROR_SUCCESS);
    // Sizes without data.
    nameLength = sizeof name;
    size = 0;
    CHECK_EQ(RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr, &size),
             ERROR_SUCCESS);
    CHECK_EQ(size, 6u);
    DWORD values = 0, longestName = 0, longestData = 0;
    CHECK_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                              &longestName, &longestData, nullptr, nullptr),
             ERROR_SUCCESS);
    CHECK_EQ(values, 3u);
    CHECK_EQ(longestName, 5u);
    // The longest data as stored: text in UTF-16, whatever the function's character set.
    CHECK_EQ(longestData, 12u);
}

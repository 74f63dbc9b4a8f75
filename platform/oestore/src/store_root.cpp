#include "store_root.h"

#include <optional>
#include <vector>

#include <winpal/windows.h>
#include <winpal/winpal.h>

#include "registry_key.h"

namespace oestore {
namespace {

constexpr char kDefaultUserIdValue[] = "Default User ID";
constexpr char kOutlookExpressVersionKey[] = "5.0";

std::string NewIdentityId() {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid)))
        return {};
    return winpal::GuidText(guid);
}

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

// The identity the mail client starts with, or nothing when no identity is recorded.
std::optional<std::string> StartIdentity() {
    auto identities = RegistryKey::Open(HKEY_CURRENT_USER, kIdentitiesKey);
    if (!identities)
        return std::nullopt;
    for (const char* value : {kStartAsValue, kDefaultUserIdValue}) {
        const auto id = identities->ReadText(value);
        if (id && !Blank(*id) && RegistryKey::Open(identities->Get(), *id))
            return id;
    }
    for (DWORD index = 0;; ++index) {
        const auto id = identities->Subkey(index);
        if (!id)
            return std::nullopt;
        if (!Blank(*id))
            return id;
    }
}

// Writes the records of a new default identity and returns its id.
std::optional<std::string> CreateDefaultIdentity() {
    const std::string id = NewIdentityId();
    if (id.empty())
        return std::nullopt;
    auto identities = RegistryKey::Create(HKEY_CURRENT_USER, kIdentitiesKey);
    if (!identities)
        return std::nullopt;
    auto identity = RegistryKey::Create(identities->Get(), id);
    if (!identity || !identity->WriteText("Username", kDefaultIdentityName) ||
        !identity->WriteText("User ID", id) || !identities->WriteText(kDefaultUserIdValue, id) ||
        !identities->WriteText("Last User ID", id) ||
        !identities->WriteText("Last Username", kDefaultIdentityName) ||
        !identities->WriteText(kStartAsValue, id)) {
        return std::nullopt;
    }
    return id;
}

// The identity's "Store Root" text, read where the store locator reads it: the first subkey of
// the identity's Outlook Express key.
std::optional<std::string> StoreRootText(const std::string& identityId) {
    auto outlookExpress =
        RegistryKey::Open(HKEY_CURRENT_USER, std::string(kIdentitiesKey) + "\\" + identityId +
                                                 "\\" + kOutlookExpressKey);
    if (!outlookExpress)
        return std::nullopt;
    const auto version = outlookExpress->Subkey(0);
    if (!version)
        return std::nullopt;
    auto versionKey = RegistryKey::Open(outlookExpress->Get(), *version);
    if (!versionKey)
        return std::nullopt;
    auto root = versionKey->ReadText(kStoreRootValue);
    if (!root || Blank(*root))
        return std::nullopt;
    return root;
}

std::optional<std::string> CreateStoreRootText(const std::string& identityId) {
    auto versionKey = RegistryKey::Create(
        HKEY_CURRENT_USER, std::string(kIdentitiesKey) + "\\" + identityId + "\\" +
                               kOutlookExpressKey + "\\" + kOutlookExpressVersionKey);
    const std::string text = DefaultStoreRootText(identityId);
    if (!versionKey || !versionKey->WriteText(kStoreRootValue, text, REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> Expand(const std::string& text) {
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0)
        return std::nullopt;
    std::vector<char> buffer(needed);
    const DWORD written = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), needed);
    if (written == 0 || written > needed)
        return std::nullopt;
    return std::string(buffer.data());
}

}  // namespace

std::string DefaultStoreRootText(const std::string& identityId) {
    return "%UserProfile%\\Local Settings\\Application Data\\Identities\\" + identityId +
           "\\Microsoft\\Outlook Express";
}

HRESULT LocateStoreRoot(std::filesystem::path* root) {
    auto identity = StartIdentity();
    if (!identity)
        identity = CreateDefaultIdentity();
    if (!identity)
        return REGDB_E_WRITEREGDB;
    auto text = StoreRootText(*identity);
    if (!text)
        text = CreateStoreRootText(*identity);
    if (!text)
        return REGDB_E_WRITEREGDB;
    const auto expanded = Expand(*text);
    if (!expanded)
        return E_FAIL;
    *root = winpal::PathFromAnsi(*expanded);
    return S_OK;
}

}  // namespace oestore

// Where the store of the identity the mail client starts with lives, from the identity records
// in HKEY_CURRENT_USER\Identities. On a machine with no identity yet, the default identity
// ("Main Identity") is made, with its store root in the user's profile.
#pragma once

#include <filesystem>
#include <string>

#include <winpal/types.h>

namespace oestore {

inline constexpr char kIdentitiesKey[] = "Identities";
inline constexpr char kStartAsValue[] = "Start As";
inline constexpr char kOutlookExpressKey[] = "Software\\Microsoft\\Outlook Express";
inline constexpr char kStoreRootValue[] = "Store Root";
inline constexpr char kDefaultIdentityName[] = "Main Identity";

// The store root text an identity gets when the store makes it (before expansion).
std::string DefaultStoreRootText(const std::string& identityId);

// Finds the store folder of the start identity ("Start As", else "Default User ID", else the
// first identity listed); makes the default identity when there is none, and a "Store Root"
// for an identity that lacks one. The path has %UserProfile% (and any other variable) expanded
// and Windows separators turned into the platform's.
HRESULT LocateStoreRoot(std::filesystem::path* root);

}  // namespace oestore

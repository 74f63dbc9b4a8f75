#include "registry_roots.h"

#include <array>

namespace winpal::reg {

namespace {

struct RootInfo {
    Root root;
    std::string_view name;
    std::string_view abbreviation;
};

constexpr std::array<RootInfo, 7> kRoots = {{
    {Root::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {Root::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {Root::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {Root::Users, "HKEY_USERS", "HKU"},
    {Root::PerformanceData, "HKEY_PERFORMANCE_DATA", ""},
    {Root::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {Root::DynData, "HKEY_DYN_DATA", ""},
}};

constexpr ULONG_PTR kFirstRootHandle = 0x80000000u;

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace

RootPlace PlaceOfRoot(Root root) {
    switch (root) {
        case Root::LocalMachine:
            return {Hive::Machine, {}};
        case Root::ClassesRoot:
            return {Hive::Machine, {u"Software", u"Classes"}};
        case Root::CurrentUser:
            return {Hive::User, {}};
        default:
            return {std::nullopt, {}};
    }
}

std::string_view RootName(Root root) {
    return kRoots[static_cast<std::size_t>(root)].name;
}

std::u16string RootName16(Root root) {
    return Widen(RootName(root));
}

std::optional<Root> RootFromName(std::u16string_view name) {
    for (const RootInfo& info : kRoots) {
        if (SameName(name, Widen(info.name)) ||
            (!info.abbreviation.empty() && SameName(name, Widen(info.abbreviation)))) {
            return info.root;
        }
    }
    return std::nullopt;
}

HKEY RootHandle(Root root) {
    return reinterpret_cast<HKEY>(kFirstRootHandle + static_cast<ULONG_PTR>(root));
}

std::optional<Root> RootFromHandle(HKEY key) {
    auto value = reinterpret_cast<ULONG_PTR>(key);
    if (value < kFirstRootHandle || value >= kFirstRootHandle + kRoots.size())
        return std::nullopt;
    return static_cast<Root>(value - kFirstRootHandle);
}

std::optional<Root> SplitFullPath(std::u16string_view fullPath, KeyPath& below) {
    std::size_t slash = fullPath.find(u'\\');
    std::optional<Root> root = RootFromName(fullPath.substr(0, slash));
    below =
        slash == std::u16string_view::npos ? KeyPath{} : SplitKeyPath(fullPath.substr(slash + 1));
    return root;
}

}  // namespace winpal::reg

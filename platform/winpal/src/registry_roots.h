// The predefined root keys: their names, their handles, and where their keys are stored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <winpal/registry.h>

#include "registry_tree.h"

namespace winpal::reg {

enum class Root {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData,
};

// The two files that hold keys: system.reg (HKEY_LOCAL_MACHINE) and user.reg
// (HKEY_CURRENT_USER). The other roots are empty and read-only: they have no hive.
enum class Hive { Machine, User };

// Where a root's keys live: a hive and the path of the root's key inside it.
struct RootPlace {
    std::optional<Hive> hive;
    KeyPath base;
};

RootPlace PlaceOfRoot(Root root);
// "HKEY_LOCAL_MACHINE" and so on.
std::string_view RootName(Root root);
std::u16string RootName16(Root root);
// The root a name stands for, without regard to case; the abbreviations HKLM, HKCU, HKCR,
// HKU and HKCC are accepted too.
std::optional<Root> RootFromName(std::u16string_view name);
HKEY RootHandle(Root root);
std::optional<Root> RootFromHandle(HKEY key);
// The root named by the first level of a full key path ("HKEY_CURRENT_USER\Software") and the
// rest of the path.
std::optional<Root> SplitFullPath(std::u16string_view fullPath, KeyPath& below);

}  // namespace winpal::reg

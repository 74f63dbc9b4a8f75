// libFuzzer target for the registry text parser (what `winreg import` and the hive files read):
// a .reg file of any bytes. What parses is applied to a registry tree, written out again in the
// format the hive files use, and must read back.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry_roots.h"
#include "registry_text.h"
#include "registry_tree.h"

using namespace winpal::reg;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<TextSection> sections;
    std::string error;
    if (!ParseRegText(bytes, "fuzz.reg", sections, error))
        return 0;
    Key machine, user;
    const bool applied = ApplySections(
        sections,
        [&](Root root) -> SectionTarget {
            const RootPlace place = PlaceOfRoot(root);
            if (!place.hive)
                return {nullptr, {}, "a root without a hive"};
            return {*place.hive == Hive::Machine ? &machine : &user, place.base, {}};
        },
        "fuzz.reg", error);
    if (!applied)
        return 0;
    for (const auto& [tree, root] : {std::pair<const Key*, Root>{&machine, Root::LocalMachine},
                                     std::pair<const Key*, Root>{&user, Root::CurrentUser}}) {
        std::string text(kRegHeader);
        AppendRegSections(*tree, RootName16(root), text);
        std::vector<TextSection> again;
        if (!ParseRegText(text, "written.reg", again, error))
            __builtin_trap();
    }
    return 0;
}

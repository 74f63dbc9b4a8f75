// Applying parsed .reg sections to key trees: used to build a hive from its file and to import.
#include "registry_text.h"

namespace winpal::reg {

bool ApplySections(const std::vector<TextSection>& sections,
                   const std::function<SectionTarget(Root)>& targetOf, const std::string& source,
                   std::string& error, const std::function<void(Root, const KeyPath&)>& removed) {
    auto fail = [&](int line, const std::string& reason) {
        error = source + ":" + std::to_string(line) + ": " + reason;
        return false;
    };
    for (const TextSection& section : sections) {
        SectionTarget target = targetOf(section.root);
        if (!target.tree)
            return fail(section.line, target.refusal);
        KeyPath path = target.base;
        path.insert(path.end(), section.path.begin(), section.path.end());
        if (section.remove) {
            if (section.path.empty()) {
                return fail(section.line, "the root key " + std::string(RootName(section.root)) +
                                              " cannot be removed");
            }
            if (RemovePath(*target.tree, path) && removed)
                removed(section.root, path);
            continue;
        }
        Key& key = EnsurePath(*target.tree, path);
        for (const TextValue& value : section.values) {
            if (value.remove) {
                key.RemoveValue(value.name);
            } else {
                key.SetValue(value.name, value.type, value.data);
            }
        }
    }
    return true;
}

}  // namespace winpal::reg

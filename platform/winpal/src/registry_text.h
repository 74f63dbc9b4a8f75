// The .reg text format of Windows' registry editor: reading "Windows Registry Editor Version
// 5.00" files (UTF-16LE with byte-order mark as regedit exports them, or UTF-8) and REGEDIT4
// files (ANSI code page), and writing version 5.00 text.
//
// The files we write are UTF-8 without a byte-order mark, so that they read well in any Linux
// editor; everything else about them is what regedit writes, and regedit's own exports load
// unchanged.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "registry_roots.h"
#include "registry_tree.h"

namespace winpal::reg {

// One "name"=data line, or "name"=- (remove) in an import.
struct TextValue {
    std::u16string name;  // empty: the default value (@)
    bool remove = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    int line = 0;
};

// One [key] section with its values, or a [-key] deletion.
struct TextSection {
    Root root = Root::LocalMachine;
    KeyPath path;
    bool remove = false;
    int line = 0;
    std::vector<TextValue> values;
};

// Parses the bytes of a .reg file. On failure returns false and sets `error` to
// "<source>:<line>: <reason>".
bool ParseRegText(std::string_view bytes, const std::string& source,
                  std::vector<TextSection>& sections, std::string& error);

// Where the keys of a root go when sections are applied: a tree and the root's key path in it.
// A null tree refuses the root, `refusal` saying why.
struct SectionTarget {
    Key* tree = nullptr;
    KeyPath base;
    std::string refusal;
};

// Applies parsed sections in order: [key] creates the key, [-key] removes it with everything
// below it, "name"=- removes a value, other lines set values. `removed` hears of every key a
// [-key] section removed (its root and its path in the tree). On failure returns false with
// `error` ("<source>:<line>: <reason>"); the trees may then hold part of the sections.
bool ApplySections(const std::vector<TextSection>& sections,
                   const std::function<SectionTarget(Root)>& targetOf, const std::string& source,
                   std::string& error,
                   const std::function<void(Root, const KeyPath&)>& removed = {});

// The first line of the files we write.
constexpr std::string_view kRegHeader = "Windows Registry Editor Version 5.00\n";

// Appends the sections of `key` and of every key below it, naming `key` by `fullPath`
// ("HKEY_CURRENT_USER\Identities"). Every key gets a section, so empty keys are kept.
void AppendRegSections(const Key& key, const std::u16string& fullPath, std::string& out);

}  // namespace winpal::reg

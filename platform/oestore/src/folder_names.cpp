#include "folder_names.h"

#include <array>

#include <dbx/file_names.h>
#include <dbx/text_case.h>
#include <oestore/msoeapi.h>
#include <winpal/kernel.h>

#include "store_errors.h"

namespace oestore {
namespace {

bool RefusedInFileNames(unsigned char c) {
    if (c < 0x20)
        return true;
    switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '/':
        case '\\':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

// Names Windows keeps for devices, with or without an extension ("CON", "con.txt"), and the files
// a store folder holds besides mailboxes.
bool ReservedName(std::string_view name) {
    static constexpr std::array<std::string_view, 22> kDevices = {
        "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
        "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    static constexpr std::array<std::string_view, 3> kStoreFiles = {"Folders", "Pop3uidl",
                                                                    "Offline"};
    const std::string_view stem = name.substr(0, name.find('.'));
    for (std::string_view device : kDevices) {
        if (dbx::SameTextIgnoringCase(stem, device))
            return true;
    }
    for (std::string_view file : kStoreFiles) {
        if (dbx::SameTextIgnoringCase(name, file))
            return true;
    }
    return false;
}

}  // namespace

std::string MailboxFileName(std::string_view name) {
    return std::string(name) + ".dbx";
}

HRESULT CheckFolderName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return kBadName;
    if (name.size() >= CCHMAX_FOLDER_NAME)
        return kNameTooLong;
    for (char c : name) {
        if (RefusedInFileNames(static_cast<unsigned char>(c)))
            return kBadName;
    }
    if (ReservedName(name))
        return kBadName;
    // The mailbox file and the files made beside it while it changes must have names the file
    // system takes.
    const std::optional<std::string> file = dbx::StoreFileName(MailboxFileName(name), GetACP());
    if (!file)
        return kBadName;
    if (!dbx::CompanionNamesFit(*file))
        return kNameTooLong;
    return S_OK;
}

}  // namespace oestore

// wabtool's commands. Each returns the program's exit status.
#pragma once

#include <string>
#include <vector>

#include "vcard/contact_card.h"
#include "wabtool_book.h"

namespace wabtool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int ListCommand(Book& book);
int ShowCommand(Book& book, const std::string& name);
int AddCommand(Book& book, const vcard::Contact& contact);
int DeleteCommand(Book& book, const std::string& name);
int ImportCommand(Book& book, const std::string& file);
int ExportCommand(Book& book, const std::string& file);

// The option of `add` for each field it can set, and its label for `show`.
struct FieldOption {
    const char* option;
    ULONG tag;
    const char* label;
};
const std::vector<FieldOption>& FieldOptions();

}  // namespace wabtool

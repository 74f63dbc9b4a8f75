// Letter case of text in the Windows-1252 code page, the way the store's files compare names that
// ignore case.
#pragma once

#include <string_view>

namespace dbx {

// The Windows-1252 lower case of one byte; every other byte is itself.
unsigned char FoldCase(unsigned char c);

// Whether two texts are equal once their letter case is folded.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace dbx

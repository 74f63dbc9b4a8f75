// The published name of an address-book property ("PR_EMAIL_ADDRESS"), found by the property
// identifier alone (the upper 16 bits of the tag; the type in the lower 16 bits plays no part).
#pragma once

#include <string>

#include <winpal/types.h>

// The name of the tag's property, or "Unknown property tag 0x" followed by the identifier in
// lower-case hexadecimal for one the table lacks. Each call gives a text of its own.
std::string PropertyTagName(ULONG tag);

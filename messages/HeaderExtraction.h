// Addresses taken out of a message's source text with fixed labels and delimiters, without
// parsing the header structure. Every search is exact, byte-wise and case-sensitive, finds the
// first occurrence, and runs over the whole source, header and body alike.
#pragma once

#include <string>
#include <string_view>

// The text between the first "<" and the first ">" that follow the first "Return-Path:", or,
// without one, the first "To:" (which also matches inside "Delivered-To:" or "Reply-To:").
// Empty when neither label occurs, when there is no "<", or when the first ">" does not come
// after the first "<" with at least one character between them.
std::string ExtractReturnAddress(std::string_view source);

// The text of a window of at most 50 characters, starting 14 characters after the first
// "Delivered-To:" (the label and the blank after it), up to the first "Received:" in that
// window; it keeps whatever stands before that label, normally the line break. Empty without
// "Delivered-To:" or without "Received:" in the window.
std::string ExtractDeliveredTo(std::string_view source);

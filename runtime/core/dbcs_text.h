// Texts of the system's code page walked character by character: a double-byte character is
// never cut in two, and its trail byte (which may be any of 0x40..0xFE, a backslash included)
// is never taken for a character of its own.
#pragma once

#include <cstddef>
#include <string>

// The length of the longest prefix of `text` that holds whole characters only and has at most
// `limit` bytes.
size_t WholeCharacterPrefix(const char* text, size_t limit);
// The byte index of the last character `c` (a single-byte character), or std::string::npos.
size_t LastCharacter(const std::string& text, char c);

// Mouse pointer data of units: a byte block whose first word is a cursor number. Compiled code
// uses the program's own cursor numbers; stored data holds the system's cursor identifiers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Translates the first word of pointer data in place (when there are at least 4 bytes).
void PointerDataToSystem(std::vector<uint8_t>& data);
void PointerDataToProgram(std::vector<uint8_t>& data);
// The cursor the data asks for, or null for the default cursor.
HCURSOR MakeMousePointerCursor(const std::vector<uint8_t>& data);
void DestroyMouseCursor(HCURSOR cursor);

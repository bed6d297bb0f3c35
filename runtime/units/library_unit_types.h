// The unit types of the tool's support libraries, laid out as their type lists: a type's number
// is its position counted from 1, and types a program does not use are all-zero records.
#pragma once

#include "runtime/image/image_records.h"

constexpr int32_t kCoreLibraryTypeCount = 11;      // 1 window, 5 edit box, 11 button
constexpr int32_t kExtendedLibraryTypeCount = 5;   // 5 transparent label

extern const UnitTypeRecord kCoreLibraryTypes[kCoreLibraryTypeCount];
extern const UnitTypeRecord kExtendedLibraryTypes[kExtendedLibraryTypeCount];

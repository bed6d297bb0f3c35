// Property access by (WindowId, UnitId, number): the runtime finds the unit's record and type,
// converts the value by the property's type code, and applies common properties itself or
// hands own properties to the unit.
#pragma once

#include <cstdint>

uint64_t ReadProperty(uint32_t windowId, uint32_t unitId, int32_t number, int32_t part);
void WriteProperty(uint32_t windowId, uint32_t unitId, int32_t number, int32_t part, uint32_t value,
                   uint32_t second);
// Through a unit reference (internal routines 4 and 5): no window lookup, no re-creation.
uint64_t ReadPropertyOfObject(uint32_t typeId, uint32_t object, int32_t number, int32_t part);
void WritePropertyOfObject(uint32_t typeId, uint32_t object, int32_t number, int32_t part, uint32_t value,
                           uint32_t second);

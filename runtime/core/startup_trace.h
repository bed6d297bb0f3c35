// The start-up trace. With TAVORI_TRACE set to a file name (or to "debug" for the debugger
// output), the runtime notes the time of each phase of its start, the time spent creating each
// kind of unit, and the first idle moment of the message loop, and writes them out once, at the
// first idle moment (or at the end, for a program that never gets there). Without the variable
// every call below is one test of a flag.
#pragma once

#include <cstdint>

struct UnitTypeRecord;

// Reads the variable; called once, as early as the runtime runs.
void TraceStart();
bool TraceOn();
// Notes that a phase has just ended. `phase` must outlive the trace (a literal).
void TraceMark(const char* phase);
// Time stamps around one unit's creation: TraceUnitEnd adds the time to the unit's kind.
int64_t TraceUnitBegin();
void TraceUnitEnd(int64_t begin, const UnitTypeRecord* type, uint32_t typeId);
// The message loop found its queue empty for the first time: notes it and writes the trace.
void TraceFirstIdle();
// Writes the trace if nothing has written it yet.
void TraceFinish();

// The start-up trace; see startup_trace.h. Everything lives in fixed tables: the trace must not
// allocate, and must cost nothing worth measuring when it is off.
#include "runtime/core/startup_trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "runtime/image/image_records.h"

namespace {

constexpr int kMaxMarks = 64;
constexpr int kMaxKinds = 32;

struct Mark {
    const char* phase;
    int64_t ticks;
};

struct KindTotal {
    uint32_t typeId;
    const char* name;
    int32_t count;
    int64_t ticks;
};

struct TraceState {
    bool on;
    bool written;
    char target[MAX_PATH];
    int64_t frequency;
    int64_t origin;            // the counter when the trace started
    double startedAfterMs;     // process creation to the start of the trace
    Mark marks[kMaxMarks];
    int markCount;
    KindTotal kinds[kMaxKinds];
    int kindCount;
};

// Zero-initialised, so it is ready before any constructor runs.
TraceState g_trace;

int64_t Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(int64_t ticks) { return 1000.0 * static_cast<double>(ticks) / static_cast<double>(g_trace.frequency); }

// Milliseconds from the process's creation to now, as far as the system clock can tell.
double SinceProcessCreated()
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return b.QuadPart > a.QuadPart ? static_cast<double>(b.QuadPart - a.QuadPart) / 10000.0 : 0;
}

// Collects the text and hands it out line by line.
class TraceWriter {
public:
    TraceWriter()
    {
        toDebugger_ = std::strcmp(g_trace.target, "debug") == 0;
        if (!toDebugger_)
            file_ = CreateFileA(g_trace.target, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~TraceWriter()
    {
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
    }
    void Line(const char* format, ...)
    {
        char line[256];
        va_list args;
        va_start(args, format);
        const int length = std::vsnprintf(line, sizeof(line) - 2, format, args);
        va_end(args);
        if (length < 0)
            return;
        size_t n = static_cast<size_t>(length) < sizeof(line) - 2 ? static_cast<size_t>(length) : sizeof(line) - 3;
        line[n++] = '\r';
        line[n++] = '\n';
        line[n] = '\0';
        if (toDebugger_) {
            OutputDebugStringA(line);
        } else if (file_ != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file_, line, static_cast<DWORD>(n), &written, nullptr);
        }
    }

private:
    bool toDebugger_ = false;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

void Write()
{
    g_trace.written = true;
    TraceWriter out;
    out.Line("start-up trace, milliseconds since the process was created");
    out.Line("%9s %9s  %s", "at", "took", "phase");
    out.Line("%9.3f %9.3f  %s", g_trace.startedAfterMs, g_trace.startedAfterMs, "process start to the runtime's first code");
    int64_t previous = g_trace.origin;
    for (int i = 0; i < g_trace.markCount; ++i) {
        const Mark& mark = g_trace.marks[i];
        out.Line("%9.3f %9.3f  %s", g_trace.startedAfterMs + Milliseconds(mark.ticks - g_trace.origin),
                 Milliseconds(mark.ticks - previous), mark.phase);
        previous = mark.ticks;
    }
    if (g_trace.kindCount == 0)
        return;
    out.Line("units created, by kind");
    out.Line("%-10s %-16s %6s %9s %9s", "type", "kind", "units", "total", "each");
    for (int i = 0; i < g_trace.kindCount; ++i) {
        const KindTotal& kind = g_trace.kinds[i];
        const double total = Milliseconds(kind.ticks);
        out.Line("0x%08X %-16s %6d %9.3f %9.3f", kind.typeId, kind.name ? kind.name : "?", kind.count, total,
                 total / kind.count);
    }
}

}  // namespace

void TraceStart()
{
    if (g_trace.on || g_trace.written)
        return;
    const DWORD length = GetEnvironmentVariableA("TAVORI_TRACE", g_trace.target, sizeof(g_trace.target));
    if (length == 0 || length >= sizeof(g_trace.target))
        return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_trace.frequency = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    g_trace.origin = Now();
    g_trace.startedAfterMs = SinceProcessCreated();
    g_trace.on = true;
}

bool TraceOn() { return g_trace.on && !g_trace.written; }

void TraceMark(const char* phase)
{
    if (!TraceOn() || g_trace.markCount == kMaxMarks)
        return;
    g_trace.marks[g_trace.markCount++] = {phase, Now()};
}

int64_t TraceUnitBegin() { return TraceOn() ? Now() : 0; }

void TraceUnitEnd(int64_t begin, const UnitTypeRecord* type, uint32_t typeId)
{
    if (!TraceOn())
        return;
    const int64_t took = Now() - begin;
    for (int i = 0; i < g_trace.kindCount; ++i) {
        if (g_trace.kinds[i].typeId == typeId) {
            ++g_trace.kinds[i].count;
            g_trace.kinds[i].ticks += took;
            return;
        }
    }
    if (g_trace.kindCount < kMaxKinds)
        g_trace.kinds[g_trace.kindCount++] = {typeId, type ? type->englishName : nullptr, 1, took};
}

void TraceFirstIdle()
{
    if (!TraceOn())
        return;
    TraceMark("first idle: the window is shown and painted, the queue is empty");
    Write();
}

void TraceFinish()
{
    if (TraceOn())
        Write();
}

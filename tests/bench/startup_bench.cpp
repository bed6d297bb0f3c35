// Starts two programs alternately and prints their median start-up times, median peak memory,
// sizes and the ratios of the two. Medians, because a machine that is busy with other work now
// and then makes one start many times slower.
//   startup_bench ROUNDS exit|idle PROGRAM BASELINE
// "exit" times a program from start to its end; "idle" from start to its window being shown and
// idle (then the program is closed).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
    std::vector<double> milliseconds;
    std::vector<double> peakKilobytes;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}


bool g_untilIdle = false;

bool RunOnce(const std::string& exe, Sample* sample)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::string commandLine = "\"" + exe + "\"";
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    // The peak is read while the program runs: a process that has ended may no longer say.
    SIZE_T peak = 0;
    auto readPeak = [&] {
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo(info.hProcess, &memory, sizeof(memory)) && memory.PeakWorkingSetSize > peak)
            peak = memory.PeakWorkingSetSize;
    };
    if (g_untilIdle) {
        WaitForInputIdle(info.hProcess, 30000);
        QueryPerformanceCounter(&end);
        readPeak();
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, 5000);
    } else {
        do
            readPeak();
        while (WaitForSingleObject(info.hProcess, 1) == WAIT_TIMEOUT);
        QueryPerformanceCounter(&end);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    sample->milliseconds.push_back(1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                                   static_cast<double>(frequency.QuadPart));
    sample->peakKilobytes.push_back(static_cast<double>(peak) / 1024.0);
    return true;
}

}  // namespace

double SizeKilobytes(const std::string& exe)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(exe.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<double>(data.nFileSizeLow) / 1024.0;
}

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::printf("usage: startup_bench ROUNDS exit|idle PROGRAM BASELINE\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    g_untilIdle = std::string(argv[2]) == "idle";
    const std::string smallest = argv[3];
    const std::string bare = argv[4];
    Sample runtime, baseline;
    Sample warm;
    RunOnce(smallest, &warm);  // the first start pays for loading the system's libraries
    RunOnce(bare, &warm);
    for (int i = 0; i < rounds; ++i) {
        if (!RunOnce(smallest, &runtime) || !RunOnce(bare, &baseline)) {
            std::printf("could not start the programs\n");
            return 1;
        }
    }
    const double programMs = Median(runtime.milliseconds), baselineMs = Median(baseline.milliseconds);
    const double programKib = Median(runtime.peakKilobytes), baselineKib = Median(baseline.peakKilobytes);
    std::printf("rounds: %d (alternating), medians, timed until %s\n", rounds,
                g_untilIdle ? "shown and idle" : "the end");
    std::printf("program:  %.1f ms, peak working set %.0f KiB, file %.0f KiB  (%s)\n", programMs, programKib,
                SizeKilobytes(smallest), smallest.c_str());
    std::printf("baseline: %.1f ms, peak working set %.0f KiB, file %.0f KiB  (%s)\n", baselineMs, baselineKib,
                SizeKilobytes(bare), bare.c_str());
    std::printf("ratio (program / baseline): time %.2f, peak memory %.2f\n", programMs / baselineMs,
                baselineKib > 0 ? programKib / baselineKib : 0.0);
    // One line for scripts: program and baseline milliseconds, then their peak KiB.
    std::printf("figures: %.2f %.2f %.0f %.0f\n", programMs, baselineMs, programKib, baselineKib);
    return 0;
}

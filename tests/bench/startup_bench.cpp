// Starts the runtime's smallest program and a bare Windows program alternately and prints their
// mean wall-clock times and peak memory, and the ratios of the two.
//   startup_bench [rounds]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Sample {
    double milliseconds = 0;
    double peakKilobytes = 0;
};

std::string Folder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

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
    do {
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo(info.hProcess, &memory, sizeof(memory)) && memory.PeakWorkingSetSize > peak)
            peak = memory.PeakWorkingSetSize;
    } while (WaitForSingleObject(info.hProcess, 1) == WAIT_TIMEOUT);
    QueryPerformanceCounter(&end);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    sample->milliseconds += 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                            static_cast<double>(frequency.QuadPart);
    sample->peakKilobytes += static_cast<double>(peak) / 1024.0;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const std::string smallest = Folder() + "smallest_program.exe";
    const std::string bare = Folder() + "bare_program.exe";
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
    const double n = rounds;
    std::printf("rounds: %d (alternating)\n", rounds);
    std::printf("smallest runtime program: %.1f ms, peak working set %.0f KiB\n",
                runtime.milliseconds / n, runtime.peakKilobytes / n);
    std::printf("bare Windows program:     %.1f ms, peak working set %.0f KiB\n",
                baseline.milliseconds / n, baseline.peakKilobytes / n);
    std::printf("ratio (runtime / bare):   time %.2f, peak memory %.2f\n",
                runtime.milliseconds / baseline.milliseconds,
                baseline.peakKilobytes > 0 ? runtime.peakKilobytes / baseline.peakKilobytes : 0.0);
    return 0;
}

// The process entry: a real framework program (entry_probe) is started and its exit code shows
// that InitInstance, ExitInstance and Run were called as the entry promises.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ProbePath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    dir.erase(dir.find_last_of('\\') + 1);
    return dir + "framework_entry_probe.exe";
}

// Runs the probe with one argument and answers its exit code (or -1000 when it did not run).
long RunProbe(const char* argument) {
    std::string cmd = "\"" + ProbePath() + "\" " + argument;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1000;
    DWORD waited = WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return waited == WAIT_OBJECT_0 ? static_cast<long>(code) : -1001;
}

TEST(ProcessEntry, RefusedInitialisationExitsWithExitInstancesResult) {
    EXPECT_EQ(RunProbe("initfalse"), 37) << "the quit message's code";
    EXPECT_EQ(RunProbe("bonus"), 1005) << "whatever ExitInstance answers";
}

TEST(ProcessEntry, AcceptedInitialisationRunsTheLoop) {
    EXPECT_EQ(RunProbe("run"), 23);
}

}  // namespace

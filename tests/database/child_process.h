// A child process with its standard input and output (stderr merged) on pipes, for tests that
// need a second process: POSIX fork/exec natively, CreateProcess under Windows.
#pragma once

#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `program` is a path relative to the working folder, with '/' separators.
    bool Start(const std::string& program, const std::vector<std::string>& args);
    bool WriteLine(const std::string& line);
    // One line without its end; false at the end of the output.
    bool ReadLine(std::string* line);
    // Everything up to the end of the output.
    std::string ReadAll();
    void CloseInput();
    // Waits for the end and answers the exit code (-1 when it cannot be known).
    int Wait();

private:
    bool ReadByte(char* c);
#ifdef _WIN32
    void* process_ = nullptr;
    void* input_ = nullptr;
    void* output_ = nullptr;
#else
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
#endif
};

// Runs a program to its end: its exit code, and its output in *output.
int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string* output);

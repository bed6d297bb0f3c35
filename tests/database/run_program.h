// Other programs of the tests, run through the command processor (sh natively, cmd under
// Windows) with their output read back or their input written to.
#pragma once

#include <cstdio>
#include <string>
#ifdef _WIN32
#define popen _popen
#define pclose _pclose
inline int ExitCode(int status) { return status; }
#else
#include <sys/wait.h>
inline int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
#endif

// A relative path with '/' separators, as the command processor wants it.
inline std::string ProgramPath(std::string path)
{
#ifdef _WIN32
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
#else
    return path.find('/') == std::string::npos ? "./" + path : path;
#endif
}

// Runs `command` to its end; its output and error output, CR LF turned into LF, in *output.
inline int RunProgram(const std::string& command, std::string* output)
{
    output->clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    for (int c; pipe && (c = std::fgetc(pipe)) != EOF;) {
        if (c == '\n' && !output->empty() && output->back() == '\r')
            output->back() = '\n';
        else
            *output += static_cast<char>(c);
    }
    return pipe ? ExitCode(pclose(pipe)) : -1;
}

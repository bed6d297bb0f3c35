// The log a test probe leaves beside its executable, one line per thing it saw, and how the
// test that started the probe reads it back.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace probe_log {

// The path of `name` in the folder of the running executable.
inline std::string BesideExecutable(const char* name)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1) + name;
}

// Appends a line; the file is opened and closed each time, so the log survives any way out.
inline void Append(const std::string& path, const std::string& line)
{
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

inline std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);)
        lines.push_back(line);
    return lines;
}

// How many lines of the log are exactly `line`.
inline int Count(const std::string& log, const std::string& line)
{
    int n = 0;
    for (const std::string& l : Lines(log))
        n += l == line;
    return n;
}

// The first of `expected` that does not follow the earlier ones in the log, or "".
inline std::string MissingInOrder(const std::string& log, const std::vector<std::string>& expected)
{
    const std::vector<std::string> lines = Lines(log);
    size_t at = 0;
    for (const std::string& want : expected) {
        while (at < lines.size() && lines[at] != want)
            ++at;
        if (at == lines.size())
            return want;
        ++at;
    }
    return "";
}

// True when the command line's arguments (after the program's own name) hold `scenario`.
inline bool Scenario(const char* scenario)
{
    const char* line = GetCommandLineA();
    const char* space = line[0] == '"' ? std::strchr(line + 1, '"') : std::strchr(line, ' ');
    return space && std::strstr(space, scenario) != nullptr;
}

}  // namespace probe_log

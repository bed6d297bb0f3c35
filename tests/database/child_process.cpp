// Child processes on pipes; see child_process.h.
#include "child_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef _WIN32
namespace {

// One command-line argument, quoted the way the C runtime splits them.
std::string Quote(const std::string& arg)
{
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args)
{
    std::string path = program;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    std::string line = Quote(path);
    for (const std::string& arg : args)
        line += " " + Quote(arg);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr, in = nullptr, out = nullptr;
    if (!CreatePipe(&childIn, &in, &inherit, 0) || !CreatePipe(&out, &childOut, &inherit, 0))
        return false;
    SetHandleInformation(in, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childOut;
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info);
    CloseHandle(childIn);
    CloseHandle(childOut);
    input_ = in;
    output_ = out;
    if (!started)
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    return true;
}

bool ChildProcess::WriteLine(const std::string& line)
{
    const std::string bytes = line + "\n";
    DWORD written = 0;
    return input_ && WriteFile(input_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool ChildProcess::ReadByte(char* c)
{
    DWORD got = 0;
    return output_ && ReadFile(output_, c, 1, &got, nullptr) && got == 1;
}

void ChildProcess::CloseInput()
{
    if (input_)
        CloseHandle(input_);
    input_ = nullptr;
}

int ChildProcess::Wait()
{
    CloseInput();
    if (!process_)
        return -1;
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    process_ = nullptr;
    return static_cast<int>(code);
}

ChildProcess::~ChildProcess()
{
    Wait();
    if (output_)
        CloseHandle(output_);
}
#else
bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args)
{
    int in[2], out[2];
    if (pipe(in) != 0)
        return false;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(in[0]); close(in[1]); close(out[0]); close(out[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_ = out[0];
    return pid_ > 0;
}

bool ChildProcess::WriteLine(const std::string& line)
{
    const std::string bytes = line + "\n";
    return input_ >= 0 && write(input_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool ChildProcess::ReadByte(char* c)
{
    return output_ >= 0 && read(output_, c, 1) == 1;
}

void ChildProcess::CloseInput()
{
    if (input_ >= 0)
        close(input_);
    input_ = -1;
}

int ChildProcess::Wait()
{
    CloseInput();
    if (pid_ <= 0)
        return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ChildProcess::~ChildProcess()
{
    Wait();
    if (output_ >= 0)
        close(output_);
}
#endif

bool ChildProcess::ReadLine(std::string* line)
{
    line->clear();
    char c = 0;
    bool any = false;
    while (ReadByte(&c)) {
        any = true;
        if (c == '\n')
            return true;
        if (c != '\r')
            *line += c;
    }
    return any;
}

std::string ChildProcess::ReadAll()
{
    std::string all;
    char c = 0;
    while (ReadByte(&c))
        all += c;
    return all;
}

int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string* output)
{
    ChildProcess child;
    if (!child.Start(program, args))
        return -1;
    child.CloseInput();
    // Windows programs end their text lines with CR LF.
    output->clear();
    for (char c : child.ReadAll()) {
        if (c == '\n' && !output->empty() && output->back() == '\r')
            output->back() = '\n';
        else
            *output += c;
    }
    return child.Wait();
}

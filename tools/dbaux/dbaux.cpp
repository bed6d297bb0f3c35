// dbaux: creates, fills, reads and checks an auxiliary file of the record database from the
// command line, through the same block store the runtime uses.
//   dbaux create FILE
//   dbaux put FILE OLD DATAFILE      prints the new first block (0 for empty data)
//   dbaux get FILE FIRST [OUT]
//   dbaux check FILE                 prints a summary line
// A failure exits with 1 after printing the result code and its text.
#include "runtime/database/aux_block_file.h"
#include "runtime/database/aux_check.h"
#include "runtime/database/db_result.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#endif

namespace {

constexpr int kGbkCodePage = 936;  // the code page the result texts are stored in

#ifdef _WIN32
// A console gets the text as UTF-16, whatever its code page; a pipe or file gets UTF-8.
void PrintText(FILE* stream, const std::string& gbk)
{
    const int wide = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), &text[0], wide);
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        fflush(stream);
        DWORD written = 0;
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &utf8[0], size, nullptr, nullptr);
    fputs(utf8.c_str(), stream);
}

void BinaryStdout() { _setmode(_fileno(stdout), _O_BINARY); }
#else
// UTF-8 unless the terminal's own character set is a GBK one.
void PrintText(FILE* stream, const std::string& gbk)
{
    const std::string codeset = nl_langinfo(CODESET);
    if (codeset == "GBK" || codeset == "GB18030" || codeset == "GB2312") {
        fputs(gbk.c_str(), stream);
        return;
    }
    (void)kGbkCodePage;
    iconv_t cd = iconv_open("UTF-8", "GBK");
    std::string in = gbk;
    std::string out(in.size() * 2 + 4, '\0');
    char* from = &in[0];
    char* to = &out[0];
    size_t fromLeft = in.size();
    size_t toLeft = out.size();
    if (cd == reinterpret_cast<iconv_t>(-1) || iconv(cd, &from, &fromLeft, &to, &toLeft) == static_cast<size_t>(-1)) {
        fputs(gbk.c_str(), stream);  // no converter: the bytes as they are
    } else {
        out.resize(out.size() - toLeft);
        fputs(out.c_str(), stream);
    }
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(cd);
}

void BinaryStdout() {}
#endif

int Fail(int32_t code, const std::string& detail = std::string())
{
    PrintText(stderr, std::to_string(code) + " " + DbErrorText(code) + "\n");
    if (!detail.empty())
        std::fprintf(stderr, "dbaux: %s\n", detail.c_str());
    return 1;
}

int Usage()
{
    std::fputs("usage: dbaux create FILE\n"
               "       dbaux put FILE OLD DATAFILE\n"
               "       dbaux get FILE FIRST [OUT]\n"
               "       dbaux check FILE\n", stderr);
    return 2;
}

bool ParseBlock(const char* text, uint32_t* block)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || value > UINT32_MAX)
        return false;
    *block = static_cast<uint32_t>(value);
    return true;
}

int32_t Open(const char* path, DbOpenMode mode, std::unique_ptr<DbFileIo>* io)
{
    int cause = kFileOk;
    *io = OpenDbFileIo(path, mode, &cause);
    return *io ? kDbOk : DbCodeFromFileError(cause);
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    uint8_t chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

int Create(const char* path)
{
    std::unique_ptr<DbFileIo> io;
    if (Open(path, DbOpenMode::kCreate, &io) != kDbOk)
        return Fail(kDbCreateAuxFailed);
    const int32_t code = CreateAuxFile(*io);
    return code == kDbOk ? 0 : Fail(code);
}

int Put(const char* path, const char* oldText, const char* dataPath)
{
    uint32_t old = 0;
    if (!ParseBlock(oldText, &old))
        return Usage();
    std::vector<uint8_t> data;
    if (!ReadWholeFile(dataPath, &data))
        return Fail(DbCodeFromFileError(kFileNotFound), std::string("cannot read ") + dataPath);
    if (data.size() > kMaxFileOffset)
        return Fail(kDbAuxAccessFailed, "data too long");
    std::unique_ptr<DbFileIo> io;
    int32_t code = Open(path, DbOpenMode::kReadWrite, &io);
    if (code != kDbOk)
        return Fail(code);
    AuxBlockFile aux(io.get());
    uint32_t slot = 0;
    code = WriteAuxValue(aux, data.data(), static_cast<uint32_t>(data.size()), old, &slot);
    if (code != kDbOk)
        return Fail(code);
    std::printf("%u\n", static_cast<unsigned>(slot));
    return 0;
}

int Get(const char* path, const char* firstText, const char* outPath)
{
    uint32_t first = 0;
    if (!ParseBlock(firstText, &first))
        return Usage();
    std::unique_ptr<DbFileIo> io;
    int32_t code = Open(path, DbOpenMode::kReadOnly, &io);
    if (code != kDbOk)
        return Fail(code);
    AuxBlockFile aux(io.get());
    std::vector<uint8_t> value;
    code = ReadAuxValue(aux, first, &value);
    if (code != kDbOk)
        return Fail(code);
    FILE* out = stdout;
    if (outPath) {
        out = std::fopen(outPath, "wb");
        if (!out)
            return Fail(DbCodeFromFileError(kFileAccessDenied), std::string("cannot write ") + outPath);
    } else {
        BinaryStdout();
    }
    const bool ok = value.empty() || std::fwrite(value.data(), 1, value.size(), out) == value.size();
    const bool closed = outPath ? std::fclose(out) == 0 : std::fflush(out) == 0;
    return ok && closed ? 0 : Fail(DbCodeFromFileError(kFileDiskFull));
}

int Check(const char* path)
{
    std::unique_ptr<DbFileIo> io;
    int32_t code = Open(path, DbOpenMode::kReadOnly, &io);
    if (code != kDbOk)
        return Fail(code);
    AuxCheckReport report;
    code = CheckAuxFile(*io, &report);
    if (code != kDbOk)
        return Fail(code, report.problem);
    std::printf("ok: %u blocks, %u free, %u values, %llu bytes\n", static_cast<unsigned>(report.blocks),
                static_cast<unsigned>(report.freeBlocks), static_cast<unsigned>(report.values),
                static_cast<unsigned long long>(report.bytes));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
#ifndef _WIN32
    std::setlocale(LC_ALL, "");
#endif
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "create" && argc == 3)
        return Create(argv[2]);
    if (command == "put" && argc == 5)
        return Put(argv[2], argv[3], argv[4]);
    if (command == "get" && (argc == 4 || argc == 5))
        return Get(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == "check" && argc == 3)
        return Check(argv[2]);
    return Usage();
}

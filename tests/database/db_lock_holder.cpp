// The second process of the lock tests.
//   db_lock_holder FILE RECORD LOG
// locks a record of a data file (16-byte header, 8-byte records) twice and logs "locked" with
// both result codes; every line on its input releases it once and logs "released" with the code;
// it ends when its input closes.
//   db_lock_holder rewrite AUXFILE ROUNDS LOG
// rewrites the value at block 1 of an auxiliary file ROUNDS times, by turns with the two values
// of RewriteValue (the file starts with value 0), then logs "rewrote ROUNDS FAILURES".
#include "runtime/database/aux_block_file.h"
#include "runtime/database/db_lock.h"

#include "rewrite_value.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

namespace {

int Rewrite(const char* path, int rounds, const char* logPath)
{
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo(path, DbOpenMode::kReadWrite, &cause);
    if (!io)
        return 3;
    SetDbLockWaitTime(20000);
    AuxBlockFile aux(io.get());
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        const std::vector<uint8_t> value = RewriteValue((i + 1) % 2);
        uint32_t slot = 0;
        if (WriteAuxValue(aux, value.data(), static_cast<uint32_t>(value.size()), 1, &slot) != 0 || slot != 1)
            ++failures;
        // Room between puts for the reader's lock, so that neither side starves the other.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    FILE* log = std::fopen(logPath, "a");
    if (!log)
        return 4;
    std::fprintf(log, "rewrote %d %d\n", rounds, failures);
    std::fclose(log);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "rewrite")
        return Rewrite(argv[2], std::atoi(argv[3]), argv[4]);
    if (argc != 4)
        return 2;
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo(argv[1], DbOpenMode::kReadWrite, &cause);
    if (!io)
        return 3;
    DbFile db;
    db.dataFile = io.get();
    db.headerSize = 16;
    db.recordSize = 8;
    const int record = std::atoi(argv[2]);
    FILE* log = std::fopen(argv[3], "a");
    if (!log)
        return 4;
    std::setvbuf(log, nullptr, _IONBF, 0);  // every line reaches the test at once
    const int first = LockRecord(db, record);
    std::fprintf(log, "locked %d %d\n", first, LockRecord(db, record));
    std::string line;
    while (std::getline(std::cin, line))
        std::fprintf(log, "released %d\n", UnlockRecord(db, record));
    std::fclose(log);
    return 0;
}

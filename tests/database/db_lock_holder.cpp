// The second process of the lock tests: locks a record of a data file (16-byte header, 8-byte
// records) twice and logs "locked" with both result codes; every line on its input releases it
// once and logs "released" with the code; it ends when its input closes. "rewrite" puts 2000
// bytes of 2 and of 1 by turns at block 1 of an auxiliary file and logs "rewrote ROUNDS FAILURES".
//   db_lock_holder FILE RECORD LOG
//   db_lock_holder rewrite AUXFILE ROUNDS LOG
#include "runtime/database/aux_block_file.h"
#include "runtime/database/db_lock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

int Rewrite(const char* path, int rounds, const char* logPath)
{
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo(path, DbOpenMode::kReadWrite, &cause);
    AuxBlockFile aux(io.get());
    SetDbLockWaitTime(20000);
    int failures = 0;
    for (int i = 1; i <= rounds; ++i) {
        const std::vector<uint8_t> value(2000, static_cast<uint8_t>(1 + i % 2));
        uint32_t slot = 0;
        failures += WriteAuxValue(aux, value.data(), 2000, 1, &slot) != 0 || slot != 1;
        std::this_thread::sleep_for(std::chrono::microseconds(200));  // room for the reader's lock
    }
    FILE* log = std::fopen(logPath, "w");
    return log && std::fprintf(log, "rewrote %d %d\n", rounds, failures) > 0 && std::fclose(log) == 0 ? 0 : 4;
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

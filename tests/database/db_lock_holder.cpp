// The second process of the lock tests: locks a record of a data file (16-byte header, 8-byte
// records) twice and logs "locked" with both result codes; every line on its input releases it
// once and logs "released" with the code; it ends when its input closes.
//   db_lock_holder FILE RECORD LOG
#include "runtime/database/db_lock.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
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

// The second process of the lock tests: locks a record of a data file (16-byte header, 8-byte
// records) twice and says "locked" with both result codes; every line on its input releases it
// once and answers "released" with the code; it ends when its input closes.
//   db_lock_holder FILE RECORD
#include "runtime/database/db_lock.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
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
    const int first = LockRecord(db, record);
    const int second = LockRecord(db, record);
    std::printf("locked %d %d\n", first, second);
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::printf("released %d\n", UnlockRecord(db, record));
        std::fflush(stdout);
    }
    return 0;
}

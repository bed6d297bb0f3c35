// A full consistency check of an auxiliary file: the header, the file size, and every block in
// exactly one chain (a value's or the free chain) with links that agree both ways.
#pragma once

#include "runtime/database/db_file_io.h"

#include <cstdint>
#include <string>

struct AuxCheckReport {
    uint32_t blocks = 0;      // the block count, block 0 included
    uint32_t freeBlocks = 0;
    uint32_t values = 0;      // data chains
    uint64_t bytes = 0;       // bytes stored in all values
    std::string problem;      // the first problem found (English), empty when none
};

// 0 when the file is consistent; otherwise -37 (not an auxiliary file) or -59, with the problem
// described in the report.
int32_t CheckAuxFile(DbFileIo& io, AuxCheckReport* report);

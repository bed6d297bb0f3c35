// Result codes of the record database: 0 is success, -1 to -80 name a failure. Every database
// operation answers one; DbErrorText turns it into the text the record view shows, and
// DbCodeFromFileError translates the file layer's error causes.
#pragma once

#include <cstdint>

// The codes this layer produces itself.
constexpr int32_t kDbOk = 0;
constexpr int32_t kDbNotOpen = -27;             // no data file
constexpr int32_t kDbLockFailed = -28;
constexpr int32_t kDbUnlockFailed = -29;
constexpr int32_t kDbNotAuxFile = -37;          // not an auxiliary file, or damaged
constexpr int32_t kDbCreateAuxFailed = -50;
constexpr int32_t kDbIndexAccessFailed = -52;
constexpr int32_t kDbOutOfMemory = -55;
constexpr int32_t kDbAuxAccessFailed = -59;
constexpr int32_t kDbNotIndexFile = -31;

// The text of a result code (GBK); "" for 0 and "未知错误" for a code the table lacks. The pointer
// is to static storage.
const char* DbErrorText(int32_t code);

// The result code of a file layer error cause (0 to 14, see db_file_io.h); -1 for any other.
int32_t DbCodeFromFileError(int cause);

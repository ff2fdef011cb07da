// The table of open files and the buffered reads and writes that Print #,
// Input #, Get and Put share; the run-time library's own.
#pragma once

#include <sys/types.h>

#include <string>

#include "zbl_runtime.h"

namespace zbl::fileio {

inline constexpr Long kMaxNumber = 511;
inline constexpr std::size_t kBlock = 1 << 16;

enum : int {
    kBadFileNumber = 52,
    kFileNotFound = 53,
    kBadFileMode = 54,
    kFileAlreadyOpen = 55,
    kDeviceIO = 57,
    kBadRecordLength = 59,
    kDiskFull = 61,
    kBadRecordNumber = 63,
    kTooManyFiles = 67,
    kFileExists = 58,
    kPermissionDenied = 70,
    kRenameAcrossDrives = 74,
    kPathFileAccess = 75,
    kPathNotFound = 76,
};

struct OpenFile {
    int fd = -1;
    FileMode mode = FileMode::Input;
    bool writable = false;
    Long recordLength = 0;
    dev_t dev = 0;
    ino_t ino = 0;
    long long pos = 0;  // the next byte read or written, from 0
    // Read block: file bytes [readStart, readStart + readLen).
    std::string readBuf;
    long long readStart = 0;
    std::size_t readLen = 0;
    // Bytes written but not yet in the file, from writeStart on.
    std::string writeBuf;
    long long writeStart = 0;
    std::size_t column = 0;     // Print #
    bool writeFirst = true;     // Write #: no comma before the next item
    bool afterComma = false;    // Input #: the last field ended with a comma
    bool lastGetShort = false;  // Get could not read a whole item
};

// The open file of a number: 52 unless there is one.
OpenFile& fileOf(Long number);
// The same, 54 unless its mode allows reading or writing text.
OpenFile& readable(Long number);
OpenFile& writable(Long number);

// Reads the block that holds f.pos; false at the end of the file.
bool refill(OpenFile& f);
inline bool fill(OpenFile& f) {
    if (f.pos >= f.readStart && f.pos < f.readStart + (long long)f.readLen)
        return true;
    return refill(f);
}
// The byte at f.pos, or -1 at the end; f.pos stays.
inline int peek(OpenFile& f) {
    if (!fill(f))
        return -1;
    return static_cast<unsigned char>(f.readBuf[std::size_t(f.pos - f.readStart)]);
}
// Writes at f.pos and moves past what was written.
void write(OpenFile& f, const char* data, std::size_t n);
// Reads up to n bytes at f.pos; gives how many there were.
std::size_t read(OpenFile& f, char* data, std::size_t n);

}  // namespace zbl::fileio

// Open files. Each number holds a descriptor and its own buffers: reads
// fill a block at a time, writes collect until a block is full, and both go
// through pread/pwrite at the file's position, so text, Get and Put can
// share one file and a Seek costs nothing until the next read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "file_table.h"

namespace zbl {

using namespace fileio;

namespace {

constexpr Long kDefaultRecord = 128;

std::array<OpenFile*, kMaxNumber + 1> table{};

[[noreturn]] void raiseErrno(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR:
            raise(kPathNotFound);
        case ENOSPC:
            raise(kDiskFull);
        case EMFILE:
        case ENFILE:
            raise(kTooManyFiles);
        case EIO:
            raise(kDeviceIO);
        default:
            raise(kPathFileAccess);
    }
}

// Writes what the file holds back; false on a failed write.
bool writeOut(OpenFile& f) {
    std::size_t done = 0;
    while (done < f.writeBuf.size()) {
        ssize_t n = pwrite(f.fd, f.writeBuf.data() + done, f.writeBuf.size() - done,
                           off_t(f.writeStart + (long long)done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    f.writeBuf.clear();
    return true;
}

void flushOrRaise(OpenFile& f) {
    if (!writeOut(f)) {
        int e = errno;
        f.writeBuf.clear();
        raise(e == ENOSPC ? kDiskFull : kDeviceIO);
    }
}

void closeFile(Long number, bool raising) {
    OpenFile* f = table[std::size_t(number)];
    table[std::size_t(number)] = nullptr;
    bool ok = writeOut(*f);
    int e = errno;
    ::close(f->fd);
    delete f;
    if (!ok && raising)
        raise(e == ENOSPC ? kDiskFull : kDeviceIO);
}

// Ends the program's files when it returns or calls exit; a run-time error
// ends it with _Exit and calls close_files itself.
struct Closer {
    ~Closer() { detail::close_files(); }
} closer;

long long fileSize(OpenFile& f) {
    struct stat st {};
    long long size = fstat(f.fd, &st) == 0 ? (long long)st.st_size : 0;
    if (!f.writeBuf.empty())
        size = std::max(size, f.writeStart + (long long)f.writeBuf.size());
    return size;
}

// Where Get and Put go: a byte in a Binary file, the start of a record in
// a Random one; 0 is the current position.
void moveTo(OpenFile& f, Long position) {
    if (f.mode != FileMode::Binary && f.mode != FileMode::Random)
        raise(kBadFileMode);
    if (position < 0)
        raise(kBadRecordNumber);
    if (position == 0) {
        if (f.mode == FileMode::Random && f.pos % f.recordLength != 0)
            f.pos = (f.pos / f.recordLength + 1) * f.recordLength;
        return;
    }
    f.pos = f.mode == FileMode::Random ? (long long)(position - 1) * f.recordLength
                                       : (long long)position - 1;
}

void getData(OpenFile& f, Long position, char* data, std::size_t size) {
    moveTo(f, position);
    if (f.mode == FileMode::Random && size > std::size_t(f.recordLength))
        raise(kBadRecordLength);
    long long start = f.pos;
    std::size_t got = read(f, data, size);
    std::memset(data + got, 0, size - got);
    f.lastGetShort = got < size;
    f.pos = f.mode == FileMode::Random ? start + f.recordLength : start + (long long)size;
}

// A Random file's record is written whole, its unused end as zeros.
void putData(OpenFile& f, Long position, const char* data, std::size_t size) {
    moveTo(f, position);
    if (f.mode == FileMode::Random) {
        if (size > std::size_t(f.recordLength))
            raise(kBadRecordLength);
        std::string record(data, size);
        record.resize(std::size_t(f.recordLength), '\0');
        write(f, record.data(), record.size());
    } else {
        write(f, data, size);
    }
}

}  // namespace

OpenFile& fileio::fileOf(Long number) {
    if (number < 1 || number > kMaxNumber || !table[std::size_t(number)])
        raise(kBadFileNumber);
    return *table[std::size_t(number)];
}

OpenFile& fileio::readable(Long number) {
    OpenFile& f = fileOf(number);
    if (f.mode == FileMode::Output || f.mode == FileMode::Append || f.mode == FileMode::Random)
        raise(kBadFileMode);
    return f;
}

OpenFile& fileio::writable(Long number) {
    OpenFile& f = fileOf(number);
    if (f.mode == FileMode::Input || f.mode == FileMode::Random)
        raise(kBadFileMode);
    return f;
}

bool fileio::refill(OpenFile& f) {
    flushOrRaise(f);
    if (f.readBuf.size() != kBlock)
        f.readBuf.resize(kBlock);
    ssize_t n;
    do
        n = pread(f.fd, f.readBuf.data(), kBlock, off_t(f.pos));
    while (n < 0 && errno == EINTR);
    f.readStart = f.pos;
    f.readLen = n > 0 ? std::size_t(n) : 0;
    if (n < 0)
        raise(kDeviceIO);
    return f.readLen != 0;
}

void fileio::write(OpenFile& f, const char* data, std::size_t n) {
    if (!f.writable)
        raise(kPathFileAccess);
    if (n == 0)
        return;
    if (!f.writeBuf.empty() && f.writeStart + (long long)f.writeBuf.size() != f.pos)
        flushOrRaise(f);
    if (f.writeBuf.empty())
        f.writeStart = f.pos;
    f.writeBuf.append(data, n);
    // Keep the read block what the file will hold.
    long long from = std::max(f.pos, f.readStart);
    long long to = std::min(f.pos + (long long)n, f.readStart + (long long)f.readLen);
    if (from < to)
        std::memcpy(f.readBuf.data() + (from - f.readStart), data + (from - f.pos),
                    std::size_t(to - from));
    f.pos += (long long)n;
    if (f.writeBuf.size() >= kBlock)
        flushOrRaise(f);
}

std::size_t fileio::read(OpenFile& f, char* data, std::size_t n) {
    std::size_t done = 0;
    while (done < n && fill(f)) {
        std::size_t at = std::size_t(f.pos - f.readStart);
        std::size_t take = std::min(n - done, f.readLen - at);
        std::memcpy(data + done, f.readBuf.data() + at, take);
        done += take;
        f.pos += (long long)take;
    }
    return done;
}

// ---- opening and closing ----

void file_open(const String& path, FileMode mode, Long number, Long recordLength) {
    if (number < 1 || number > kMaxNumber)
        raise(kBadFileNumber);
    if (table[std::size_t(number)])
        raise(kFileAlreadyOpen);
    if (recordLength < 0 || recordLength > 32767)
        raise(kBadRecordLength);
    std::string name = detail::native_path(path);
    if (name.empty())
        raise(kPathFileAccess);
    // A file open for Output or Append is that number's alone.
    auto sequentialWrite = [](FileMode m) {
        return m == FileMode::Output || m == FileMode::Append;
    };
    struct stat old {};
    if (stat(name.c_str(), &old) == 0)
        for (const OpenFile* o : table)
            if (o && o->dev == old.st_dev && o->ino == old.st_ino &&
                (sequentialWrite(mode) || sequentialWrite(o->mode)))
                raise(kFileAlreadyOpen);
    int flags = O_CLOEXEC;
    switch (mode) {
        case FileMode::Input:
            flags |= O_RDONLY;
            break;
        case FileMode::Output:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case FileMode::Append:
            flags |= O_WRONLY | O_CREAT;
            break;
        default:
            flags |= O_RDWR | O_CREAT;
            break;
    }
    int fd = ::open(name.c_str(), flags, 0666);
    bool canWrite = mode != FileMode::Input;
    if (fd < 0 && (errno == EACCES || errno == EROFS) &&
        (mode == FileMode::Binary || mode == FileMode::Random)) {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);  // a read-only file still reads
        canWrite = false;
    }
    if (fd < 0) {
        int e = errno;
        if (e == ENOENT && mode == FileMode::Input) {
            auto slash = name.rfind('/');
            std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
            struct stat st {};
            raise(stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kFileNotFound
                                                                        : kPathNotFound);
        }
        raiseErrno(e);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        raise(kPathFileAccess);
    }
    auto* f = new OpenFile;
    f->fd = fd;
    f->mode = mode;
    f->writable = canWrite;
    f->recordLength = recordLength ? recordLength : kDefaultRecord;
    f->dev = st.st_dev;
    f->ino = st.st_ino;
    if (mode == FileMode::Append)
        f->pos = (long long)st.st_size;
    table[std::size_t(number)] = f;
}

void file_close(Long number) {
    if (number < 1 || number > kMaxNumber)
        raise(kBadFileNumber);
    if (table[std::size_t(number)])
        closeFile(number, true);
}

void file_close_all() {
    int failed = 0;
    for (Long n = 1; n <= kMaxNumber; ++n)
        if (table[std::size_t(n)]) {
            OpenFile* f = table[std::size_t(n)];
            if (!writeOut(*f) && !failed)
                failed = errno == ENOSPC ? kDiskFull : kDeviceIO;
            f->writeBuf.clear();
            closeFile(n, false);
        }
    if (failed)
        raise(failed);
}

void detail::close_files() noexcept {
    for (Long n = 1; n <= kMaxNumber; ++n)
        if (table[std::size_t(n)])
            closeFile(n, false);
}

bool detail::is_open(const std::string& path, bool writing) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    for (OpenFile* f : table)
        if (f && f->dev == st.st_dev && f->ino == st.st_ino && (!writing || f->writable))
            return true;
    return false;
}

Integer free_file(Long range) {
    if (range < 0 || range > 1)
        raise(kInvalidCall);
    Long first = range == 0 ? 1 : 256, last = range == 0 ? 255 : kMaxNumber;
    for (Long n = first; n <= last; ++n)
        if (!table[std::size_t(n)])
            return Integer(n);
    raise(kTooManyFiles);
}

// ---- positions ----

// Output and Append files are always at their end; Binary and Random ones
// when the last Get could not read a whole item.
bool file_eof(Long number) {
    OpenFile& f = fileOf(number);
    switch (f.mode) {
        case FileMode::Output:
        case FileMode::Append:
            return true;
        case FileMode::Input:
            return peek(f) < 0;
        default:
            return f.lastGetShort;
    }
}

Long file_lof(Long number) {
    return Long(fileSize(fileOf(number)));
}

// Binary: the last byte read or written; Random: the last record; text
// files: the position in 128-byte blocks.
Long file_loc(Long number) {
    OpenFile& f = fileOf(number);
    switch (f.mode) {
        case FileMode::Binary:
            return Long(f.pos);
        case FileMode::Random:
            return Long(f.pos / f.recordLength);
        default:
            return Long(f.pos / 128);
    }
}

Long file_seek(Long number) {
    OpenFile& f = fileOf(number);
    return f.mode == FileMode::Random ? Long(f.pos / f.recordLength + 1) : Long(f.pos + 1);
}

void file_seek(Long number, Long position) {
    OpenFile& f = fileOf(number);
    if (position <= 0)
        raise(kBadRecordNumber);
    f.pos = f.mode == FileMode::Random ? (long long)(position - 1) * f.recordLength
                                       : (long long)position - 1;
    f.lastGetShort = false;
}

// ---- Get and Put ----

void file_get_bytes(Long number, Long position, void* data, std::size_t size) {
    getData(fileOf(number), position, static_cast<char*>(data), size);
}

void file_put_bytes(Long number, Long position, const void* data, std::size_t size) {
    putData(fileOf(number), position, static_cast<const char*>(data), size);
}

void file_get(Long number, Long position, String& value) {
    OpenFile& f = fileOf(number);
    if (f.mode != FileMode::Random) {
        std::string bytes(value.size(), '\0');
        getData(f, position, bytes.data(), bytes.size());
        value = String(std::move(bytes));
        return;
    }
    moveTo(f, position);
    long long start = f.pos;
    std::uint16_t n = 0;
    std::size_t got = read(f, reinterpret_cast<char*>(&n), 2);
    if (got < 2)
        n = 0;
    if (std::size_t(n) + 2 > std::size_t(f.recordLength))
        raise(kBadRecordLength);
    std::string bytes(n, '\0');
    got = read(f, bytes.data(), n);
    bytes.resize(got);
    f.lastGetShort = bytes.size() < n || start >= fileSize(f);
    f.pos = start + f.recordLength;
    value = String(std::move(bytes));
}

void file_put(Long number, Long position, const String& value) {
    OpenFile& f = fileOf(number);
    if (f.mode != FileMode::Random)
        return putData(f, position, value.str().data(), value.size());
    if (value.size() + 2 > std::size_t(f.recordLength))
        raise(kBadRecordLength);
    std::uint16_t n = std::uint16_t(value.size());
    std::string record(reinterpret_cast<const char*>(&n), 2);
    record += value.str();
    putData(f, position, record.data(), record.size());
}

// ---- records ----

void bad_record() {
    raise(kBadRecordLength);
}

RecordReader::RecordReader(Long number, Long position) : f_(fileOf(number)) {
    moveTo(f_, position);
    start_ = f_.pos;
}

void RecordReader::read(void* data, std::size_t size) {
    char* bytes = static_cast<char*>(data);
    if (f_.mode == FileMode::Random && used_ + size > std::size_t(f_.recordLength))
        raise(kBadRecordLength);
    const std::size_t got = fileio::read(f_, bytes, size);
    std::memset(bytes + got, 0, size - got);
    short_ = short_ || got < size;
    used_ += size;
}

void RecordReader::finish() {
    f_.lastGetShort = short_;
    if (f_.mode == FileMode::Random)
        f_.pos = start_ + f_.recordLength;
}

void put_field(RecordWriter& w, const String& v) {
    if (v.size() > 65535)
        raise(kBadRecordLength);
    const std::uint16_t n = std::uint16_t(v.size());
    w.add(&n, sizeof n);
    w.add(v.str().data(), n);
}

void get_field(RecordReader& r, String& v) {
    std::uint16_t n = 0;
    r.read(&n, sizeof n);
    std::string bytes(n, '\0');
    r.read(bytes.data(), n);
    v = String(std::move(bytes));
}

void put_fixed(RecordWriter& w, const String& v, Long n) {
    std::string bytes = v.str();
    bytes.resize(std::size_t(n > 0 ? n : 0), ' ');
    w.add(bytes.data(), bytes.size());
}

void get_fixed(RecordReader& r, String& v, Long n) {
    std::string bytes(std::size_t(n > 0 ? n : 0), '\0');
    r.read(bytes.data(), bytes.size());
    v = String(std::move(bytes));
}

void file_put_fixed(Long number, Long position, const String& v, Long n) {
    RecordWriter w;
    put_fixed(w, v, n);
    putData(fileOf(number), position, w.bytes.data(), w.bytes.size());
}

void file_get_fixed(Long number, Long position, String& v, Long n) {
    RecordReader r(number, position);
    get_fixed(r, v, n);
    r.finish();
}

// A Variant is its two-byte type number, then its value as a field of that
// type is written.
void put_field(RecordWriter& w, const Variant& v) {
    const std::uint16_t type = std::uint16_t(variant_var_type(v));
    w.add(&type, sizeof type);
    switch (v.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
            break;
        case Variant::Kind::Boolean:
            put_field(w, v.whole() != 0);
            break;
        case Variant::Kind::Byte:
            put_field(w, Byte(v.whole()));
            break;
        case Variant::Kind::Integer:
            put_field(w, Integer(v.whole()));
            break;
        case Variant::Kind::Long:
        case Variant::Kind::Error:
            put_field(w, Long(v.whole()));
            break;
        case Variant::Kind::Single:
            put_field(w, float(v.real()));
            break;
        case Variant::Kind::Double:
            put_field(w, v.real());
            break;
        case Variant::Kind::Date:
            put_field(w, Date{v.real()});
            break;
        case Variant::Kind::Currency:
            put_field(w, Currency{v.whole()});
            break;
        case Variant::Kind::String:
            put_field(w, v.string());
            break;
        case Variant::Kind::Array:
            put_field(w, v.array());
            break;
    }
}

void get_field(RecordReader& r, Variant& v) {
    std::uint16_t type = 0;
    r.read(&type, sizeof type);
    auto read = [&r](auto value) {
        get_field(r, value);
        return value;
    };
    switch (type) {
        case 0:
            v = Variant();
            break;
        case 1:
            v = Variant::null();
            break;
        case 2:
            v = Variant(read(Integer(0)));
            break;
        case 3:
            v = Variant(read(Long(0)));
            break;
        case 4:
            v = Variant(read(float(0)));
            break;
        case 5:
            v = Variant(read(double(0)));
            break;
        case 6:
            v = Variant(read(Currency{}));
            break;
        case 7:
            v = Variant(read(Date{}));
            break;
        case 8:
            v = Variant(read(String()));
            break;
        case 10:
            v = read(Long(0)) == 448 ? Variant::missing() : Variant();
            break;
        case 11:
            v = Variant(read(false));
            break;
        case 17:
            v = Variant(read(Byte(0)));
            break;
        default:
            if (type & 0x2000) {
                Array<Variant> items;
                get_field(r, items);
                v = Variant(items);
            } else {
                raise(kBadRecordLength);  // not a record this library wrote
            }
            break;
    }
}

void file_get(Long number, Long position, Variant& value) {
    RecordReader r(number, position);
    get_field(r, value);
    r.finish();
}

void file_put(Long number, Long position, const Variant& value) {
    RecordWriter w;
    put_field(w, value);
    putData(fileOf(number), position, w.bytes.data(), w.bytes.size());
}

}  // namespace zbl

// The file system statements and functions: Kill, Name, FileCopy, MkDir,
// RmDir, ChDir, CurDir$, Dir$, FileLen, GetAttr and SetAttr. Names match
// patterns with "*" and "?" as the language's users know them; a name is
// hidden when it starts with ".", and read-only when no one may write it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "file_table.h"
#include "zbl_runtime.h"

namespace zbl {

namespace {

using namespace fileio;  // the error numbers

// "*" any run of characters, "?" any one.
bool matches(const char* name, const char* pattern) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == 0;
}

// A pattern ending in ".*" also takes names without an extension, so
// "*.*" is every name.
bool nameMatches(const std::string& name, const std::string& pattern) {
    if (matches(name.c_str(), pattern.c_str()))
        return true;
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return matches(name.c_str(), pattern.substr(0, pattern.size() - 2).c_str());
    return false;
}

// Splits "folder/pattern"; the folder keeps its slash, "" is the current one.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The folder that would hold `path` is missing: 76, else 53.
[[noreturn]] void raiseMissing(const std::string& path) {
    std::string folder = splitPath(path).first;
    raise(isFolder(folder.empty() ? "." : folder) ? kFileNotFound : kPathNotFound);
}

[[noreturn]] void raiseErrno(int e, const std::string& path) {
    if (e == ENOENT)
        raiseMissing(path);
    raise(e == ENOTDIR ? kPathNotFound : kPathFileAccess);
}

bool hiddenName(const std::string& name) {
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

// The names in a folder that match, in name order.
std::vector<std::string> listMatches(const std::string& folder, const std::string& pattern,
                                     Long attributes) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (!nameMatches(name, pattern))
            continue;
        if (hiddenName(name) && !(attributes & vbHidden))
            continue;
        bool folderEntry = isFolder(folder + name);
        if (folderEntry && !(attributes & vbDirectory))
            continue;
        names.push_back(std::move(name));
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

struct DirState {
    std::vector<std::string> names;
    std::size_t next = 0;
    bool active = false;
} dirState;

}  // namespace

std::string detail::native_path(const String& path) {
    std::string p = path.str();
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

void kill(const String& pattern) {
    auto [folder, name] = splitPath(detail::native_path(pattern));
    if (name.empty())
        raise(kFileNotFound);
    if (!folder.empty() && !isFolder(folder))
        raise(kPathNotFound);
    // A pattern leaves hidden files alone; a plain name is taken as it is.
    bool plain = name.find_first_of("*?") == std::string::npos;
    std::vector<std::string> names = listMatches(folder, name, plain ? vbHidden : vbNormal);
    if (names.empty())
        raise(kFileNotFound);
    for (const std::string& n : names)
        if (detail::is_open(folder + n, false) || (get_attr(String(folder + n)) & vbReadOnly))
            raise(kPathFileAccess);
    for (const std::string& n : names)
        if (::unlink((folder + n).c_str()) != 0)
            raiseErrno(errno, folder + n);
}

void name_as(const String& from, const String& to) {
    std::string a = detail::native_path(from), b = detail::native_path(to);
    if (!exists(a))
        raiseMissing(a);
    if (exists(b))
        raise(kFileExists);
    if (detail::is_open(a, false))
        raise(kPathFileAccess);
    if (std::rename(a.c_str(), b.c_str()) != 0) {
        int e = errno;
        if (e == EXDEV)
            raise(kRenameAcrossDrives);
        raiseErrno(e, b);
    }
}

void file_copy(const String& from, const String& to) {
    std::string a = detail::native_path(from), b = detail::native_path(to);
    if (detail::is_open(b, false) || detail::is_open(a, true))
        raise(kPermissionDenied);
    int in = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        raiseErrno(errno, a);
    struct stat st {};
    if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(in);
        raise(kPathFileAccess);
    }
    int out = ::open(b.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        int e = errno;
        ::close(in);
        raise(e == ENOENT || e == ENOTDIR ? kPathNotFound : kPathFileAccess);
    }
    std::string buf(1 << 20, '\0');
    bool ok = true;
    for (ssize_t n; ok && (n = ::read(in, buf.data(), buf.size())) != 0;) {
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        for (ssize_t done = 0; ok && done < n;) {
            ssize_t w = ::write(out, buf.data() + done, std::size_t(n - done));
            if (w < 0)
                ok = errno == EINTR;
            else
                done += w;
        }
    }
    ::close(in);
    if (::close(out) != 0)
        ok = false;
    if (!ok)
        raise(57);
}

void mk_dir(const String& path) {
    std::string p = detail::native_path(path);
    if (::mkdir(p.c_str(), 0777) != 0)
        raise(errno == ENOENT || errno == ENOTDIR ? kPathNotFound : kPathFileAccess);
}

void rm_dir(const String& path) {
    std::string p = detail::native_path(path);
    if (::rmdir(p.c_str()) != 0)
        raise(errno == ENOENT || errno == ENOTDIR ? kPathNotFound : kPathFileAccess);
}

void ch_dir(const String& path) {
    std::string p = detail::native_path(path);
    if (::chdir(p.c_str()) != 0)
        raise(errno == ENOENT || errno == ENOTDIR ? kPathNotFound : kPathFileAccess);
}

String cur_dir() {
    std::string buf(4096, '\0');
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE)
            raise(kPathNotFound);
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return String(std::move(buf));
}

// The first name that matches, "" if none; a pattern that ends in "/"
// lists the whole folder. With vbDirectory folders count too, with
// vbHidden the names starting with ".".
String dir(const String& pattern, Long attributes) {
    auto [folder, name] = splitPath(detail::native_path(pattern));
    dirState.names = listMatches(folder, name.empty() ? std::string("*") : name, attributes);
    dirState.next = 0;
    dirState.active = true;
    return dir();
}

// The next name of the last pattern; "" once they are all given, and an
// invalid call after that.
String dir() {
    if (!dirState.active)
        raise(kInvalidCall);
    if (dirState.next >= dirState.names.size()) {
        dirState.active = false;
        dirState.names.clear();
        return String();
    }
    return String(dirState.names[dirState.next++]);
}

Long file_len(const String& path) {
    std::string p = detail::native_path(path);
    struct stat st {};
    if (stat(p.c_str(), &st) != 0)
        raiseErrno(errno, p);
    if (S_ISDIR(st.st_mode))
        return 0;
    return Long(st.st_size);
}

Integer get_attr(const String& path) {
    std::string p = detail::native_path(path);
    struct stat st {};
    if (stat(p.c_str(), &st) != 0)
        raiseErrno(errno, p);
    Integer a = vbNormal;
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        a |= vbReadOnly;
    std::string name = splitPath(p).second;
    if (hiddenName(name))
        a |= vbHidden;
    if (S_ISDIR(st.st_mode))
        a |= vbDirectory;
    return a;
}

// vbReadOnly takes away every write permission; without it the owner may
// write, and others as the umask allows.
void set_attr(const String& path, Long attributes) {
    std::string p = detail::native_path(path);
    struct stat st {};
    if (stat(p.c_str(), &st) != 0)
        raiseErrno(errno, p);
    if (detail::is_open(p, false))
        raise(kPathFileAccess);
    mode_t mode = st.st_mode & 07777;
    if (attributes & vbReadOnly) {
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if (!(mode & (S_IWUSR | S_IWGRP | S_IWOTH))) {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode |= S_IWUSR | (mode_t(S_IWGRP | S_IWOTH) & ~mask);
    }
    if (mode != (st.st_mode & 07777) && ::chmod(p.c_str(), mode) != 0)
        raise(kPathFileAccess);
}

Date file_date_time(const String& path) {
    struct stat st;
    if (::stat(detail::native_path(path).c_str(), &st) != 0)
        raise(53);
    struct tm local;
    localtime_r(&st.st_mtime, &local);
    return Date{date_serial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).serial +
                time_serial(local.tm_hour, local.tm_min, local.tm_sec).serial};
}

}  // namespace zbl

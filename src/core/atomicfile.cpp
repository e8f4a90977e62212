// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kTempMarker[] = ".vellora-tmp.";
const char kTempSuffix[] = "XXXXXX";
const size_t kTempSuffixLength = sizeof kTempSuffix - 1;
const int kNameAttempts = 100;

int fail(int error)
{
    errno = error;
    return -1;
}

// Mode a freshly created file would get from fopen: 0666 minus the umask.
mode_t defaultFileMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Keeps the permission bits of the file being replaced, so a rewrite does
// not silently change who may read it.
mode_t targetMode(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    return defaultFileMode();
}

std::string folderOf(const std::string &path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const std::string &content)
{
    const char *p = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Makes the new name itself durable; a failure here no longer endangers data.
void syncDirectory(const std::string &path)
{
    int fd = open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Unnamed files are given a name through /proc; without it they cannot be.
bool canNameUnnamedFiles()
{
    static const bool available = access("/proc/self/fd", X_OK) == 0;
    return available;
}

std::string procPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// The lock tells removeStaleTemporaries that the file's writer is alive.
// A temporary the cleaner removed before the lock was taken has no links.
bool lockedAndLinked(int fd)
{
    struct stat st;
    return flock(fd, LOCK_EX) == 0 && fstat(fd, &st) == 0 && st.st_nlink > 0;
}

int createNamedTemporary(const std::string &path, std::string &name)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = path + kTempMarker + kTempSuffix;
        int fd = mkostemp(&name[0], O_CLOEXEC);
        if (fd < 0 || lockedAndLinked(fd))
            return fd;
        close(fd);
    }
    return fail(EEXIST);
}

// Gives the unnamed file of fd a temporary name of our pattern.
bool linkTemporaryName(int fd, const std::string &path, std::string &name)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = path + kTempMarker + kTempSuffix;
        int probe = mkostemp(&name[0], O_CLOEXEC);  // only picks a free name
        if (probe < 0)
            return false;
        close(probe);
        unlink(name.c_str());
        if (linkat(AT_FDCWD, procPath(fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

// Moves the named temporary onto path; with Keep only if path is free.
bool renameTemporary(const std::string &tmp, const std::string &path, FileReplace mode)
{
    if (mode == FileReplace::Replace)
        return rename(tmp.c_str(), path.c_str()) == 0;
    if (renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the no-replace rename still refuse to link over
    // an existing name.
    if (link(tmp.c_str(), path.c_str()) != 0)
        return false;
    unlink(tmp.c_str());
    return true;
}

// Names the written file path; tmp is its temporary name, or empty while it
// is unnamed (then tmp may get one on the way).
bool publish(int fd, std::string &tmp, const std::string &path, FileReplace mode)
{
    if (!tmp.empty())
        return renameTemporary(tmp, path, mode);
    if (linkat(AT_FDCWD, procPath(fd).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST || mode == FileReplace::Keep)
        return false;
    return linkTemporaryName(fd, path, tmp) && renameTemporary(tmp, path, mode);
}

int openOutput(const std::string &path, mode_t mode, std::string &tmp)
{
    tmp.clear();
    if (canNameUnnamedFiles()) {
        int fd = open(folderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (flock(fd, LOCK_EX) == 0)
                return fd;
            close(fd);
            return -1;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return -1;
    }
    return createNamedTemporary(path, tmp);
}

bool isTemporaryName(const char *name)
{
    const char *marker = std::strstr(name, kTempMarker);
    return marker && marker != name &&
           std::strlen(marker + sizeof kTempMarker - 1) == kTempSuffixLength &&
           !std::strstr(marker + 1, kTempMarker);
}

} // namespace

int writeFileAtomic(const std::string &path, const std::string &content, FileReplace mode)
{
    if (path.empty() || path.back() == '/')
        return fail(EINVAL);
    const mode_t perms = targetMode(path);
    std::string tmp;
    int fd = openOutput(path, perms, tmp);
    if (fd < 0)
        return -1;
    bool ok = fchmod(fd, perms) == 0 && writeAll(fd, content) && fsync(fd) == 0 &&
              publish(fd, tmp, path, mode);
    int error = errno;
    if (!ok && !tmp.empty())
        unlink(tmp.c_str());
    close(fd);  // after naming: the unnamed file lives only while it is open
    if (!ok)
        return fail(error);
    syncDirectory(path);
    return 0;
}

int removeStaleTemporaries(const std::string &folder)
{
    DIR *dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (dirent *entry = readdir(dir)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            unlinkat(dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
        close(fd);
    }
    closedir(dir);
    return removed;
}

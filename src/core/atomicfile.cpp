#include "atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// Makes the rename itself durable; a failure here no longer endangers data.
void syncDirectory(const std::string &path)
{
    std::string::size_type slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

int writeFileAtomic(const std::string &path, const std::string &content)
{
    if (path.empty())
        return -1;
    std::string tmp = path + ".XXXXXX";
    int fd = mkstemp(&tmp[0]);
    if (fd < 0)
        return -1;

    bool ok = fchmod(fd, targetMode(path)) == 0 && writeAll(fd, content) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok)
        ok = rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(tmp.c_str());
        return -1;
    }
    syncDirectory(path);
    return 0;
}

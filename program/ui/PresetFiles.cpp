#include "program/ui/PresetFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PresetFiles {

namespace {

std::string ErrorText(int error)
{
    return std::strerror(error);
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool Exists(const std::string& path) noexcept
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool ReadAll(const std::string& path, std::string& bytes, std::string& reason, bool& missing)
{
    bytes.clear();
    missing = false;
    // Non-blocking, so that a FIFO in the file's place cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        missing = errno == ENOENT;
        reason = ErrorText(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) reason = "it is not a regular file";
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) ok = false, reason = ErrorText(errno);
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

bool WriteNew(const std::string& path, const std::string& bytes, std::optional<mode_t> mode,
              std::string& reason)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = ErrorText(errno);
        return false;
    }
    // Set past the umask, so that a file replaced by this one keeps its mode.
    bool ok = (!mode || ::fchmod(fd, *mode) == 0) && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) ok = false, error = errno;
    if (!ok) {
        reason = ErrorText(error);
        ::unlink(path.c_str());
    }
    return ok;
}

bool MakeDirectories(const std::string& path, std::string& reason)
{
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            reason = ErrorText(errno);
            return false;
        }
        if (end == std::string::npos) break;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        reason = "it is not a directory";
        return false;
    }
    return true;
}

void SyncDirectory(const std::string& path) noexcept
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::optional<mode_t> ModeOf(const std::string& path) noexcept
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st.st_mode & 07777;
}

DirectoryLock::DirectoryLock(const std::string& path) noexcept
    : fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    while (fd >= 0 && ::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

DirectoryLock::~DirectoryLock()
{
    if (fd >= 0) ::close(fd);
}

} // namespace PresetFiles

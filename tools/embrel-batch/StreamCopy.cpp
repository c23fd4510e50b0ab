#include "tools/embrel-batch/StreamCopy.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "platform/fs/TemporaryFile.h"

namespace {

constexpr std::size_t ChunkBytes = 1 << 16;

ssize_t ReadSome(int fd, void* buffer, std::size_t size, const std::atomic<bool>& stop)
{
    ssize_t n;
    do n = read(fd, buffer, size);
    while (n < 0 && errno == EINTR && !stop);
    return n;
}

}  // namespace

bool StreamCopy::Spool(int fd, const TemporaryFile& temporary, const std::atomic<bool>& stop)
{
    std::vector<char> buffer(ChunkBytes);
    for (;;) {
        const ssize_t n = ReadSome(fd, buffer.data(), buffer.size(), stop);
        if (n < 0) return false;
        if (n == 0) return true;
        if (!temporary.Write(buffer.data(), std::size_t(n))) return false;
    }
}

bool StreamCopy::CopyOut(int fromFd, int toFd, const std::atomic<bool>& stop)
{
    std::vector<char> buffer(ChunkBytes);
    if (lseek(fromFd, 0, SEEK_SET) != 0) return false;
    for (;;) {
        const ssize_t n = ReadSome(fromFd, buffer.data(), buffer.size(), stop);
        if (n <= 0) return n == 0;
        for (ssize_t at = 0; at < n;) {
            const ssize_t w = write(toFd, buffer.data() + at, std::size_t(n - at));
            if (w < 0 && errno == EINTR && !stop) continue;
            if (w < 0) return false;
            at += w;
        }
    }
}

std::string StreamCopy::TemporaryDirectory()
{
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

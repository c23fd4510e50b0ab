#include "program/audio/ResultFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Report(char* errorText, std::size_t errorSize, const char* temporary, const char* destination,
            int error) noexcept
{
    std::snprintf(errorText, errorSize,
                  "Cannot move the result to %s: %s.\nThe result is kept in %s.\n", destination,
                  std::strerror(error), temporary);
}

bool CopyAll(int from, int to) noexcept
{
    char buffer[65536];
    for (;;) {
        ssize_t r = read(from, buffer, sizeof buffer);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) return true;
        for (ssize_t done = 0; done < r;) {
            ssize_t w = write(to, buffer + done, std::size_t(r - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += w;
        }
    }
}

}  // namespace

bool CopyResultFile(const char* temporary, const char* destination, char* errorText,
                    std::size_t errorSize) noexcept
{
    try {
        const int from = open(temporary, O_RDONLY | O_CLOEXEC);
        if (from < 0) {
            Report(errorText, errorSize, temporary, destination, errno);
            return false;
        }
        // A short name beside the destination, so a long destination name still fits.
        const std::string target = destination;
        const std::size_t slash = target.rfind('/');
        std::string sibling = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
                              ".~Embrel~XXXXXX";
        const int to = mkostemp(sibling.data(), O_CLOEXEC);
        if (to < 0) {
            const int error = errno;
            close(from);
            Report(errorText, errorSize, temporary, destination, error);
            return false;
        }
        struct stat st;
        bool ok = fstat(from, &st) == 0 && fchmod(to, st.st_mode & 07777) == 0 && CopyAll(from, to) &&
                  fsync(to) == 0;
        int error = errno;
        close(from);
        if (close(to) != 0 && ok) ok = false, error = errno;
        if (ok && rename(sibling.c_str(), destination) != 0) ok = false, error = errno;
        if (!ok) {
            unlink(sibling.c_str());
            Report(errorText, errorSize, temporary, destination, error);
            return false;
        }
        unlink(temporary);
        return true;
    } catch (...) {
        Report(errorText, errorSize, temporary, destination, ENOMEM);
        return false;
    }
}

bool MoveResultFile(const char* temporary, const char* destination, char* errorText,
                    std::size_t errorSize) noexcept
{
    if (rename(temporary, destination) == 0) return true;
    if (errno == EXDEV) return CopyResultFile(temporary, destination, errorText, errorSize);
    Report(errorText, errorSize, temporary, destination, errno);
    return false;
}

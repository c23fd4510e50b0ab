#include "platform/fs/TemporaryFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int CreateFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

std::string RandomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes)) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        unsigned long mix = (unsigned long)now.tv_nsec ^ ((unsigned long)getpid() << 16);
        for (unsigned char& b : bytes) b = (unsigned char)(mix >>= 5);
    }
    std::string suffix;
    for (unsigned char b : bytes) suffix += letters[b % (sizeof letters - 1)];
    return suffix;
}

}  // namespace

TemporaryFile::~TemporaryFile()
{
    if (keep) Forget();
    else Remove();
}

bool TemporaryFile::CreateUnique(const std::string& directory)
{
    Release();
    const std::string base = (directory.empty() ? std::string(".") : directory) + "/.~Embrel~";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = base + RandomSuffix();
        const int descriptor = open(name.c_str(), CreateFlags, 0600);
        if (descriptor >= 0) return Hold(descriptor, name);
        if (errno != EEXIST) {
            errorText = "Cannot create a temporary file in " + directory + ": " + std::strerror(errno) + ".\n";
            return false;
        }
    }
    errorText = "Cannot create a temporary file in " + directory + ": " + std::strerror(EEXIST) + ".\n";
    return false;
}

bool TemporaryFile::Claim(const std::string& name)
{
    Release();
    errorText.clear();
    // A run that ends removes its file while another may be opening it: look again.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int descriptor = open(name.c_str(), CreateFlags, 0600);
        if (descriptor >= 0) return Hold(descriptor, name);
        if (errno != EEXIST) return Refuse(name, std::strerror(errno));
        if (TakeOver(name)) return true;
        if (!errorText.empty()) return false;
    }
    return Refuse(name, "another run keeps replacing it");
}

// An existing file: refused, taken over (true), or gone again (false with no message).
bool TemporaryFile::TakeOver(const std::string& name)
{
    struct stat st;
    if (lstat(name.c_str(), &st) != 0) return errno == ENOENT ? false : Refuse(name, std::strerror(errno));
    if (S_ISLNK(st.st_mode)) return Refuse(name, "it is a symbolic link");
    if (!S_ISREG(st.st_mode)) return Refuse(name, "it is not a regular file");
    if (st.st_uid != geteuid()) return Refuse(name, "it belongs to another user");
    const int descriptor = open(name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return errno == ENOENT ? false : Refuse(name, std::strerror(errno));
    if (fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() || st.st_nlink != 1) {
        close(descriptor);
        return Refuse(name, "it is not a regular file of this user with one name");
    }
    if (!Hold(descriptor, name)) return false;
    if (!IsIntact()) {
        Forget();  // the run that held it removed it meanwhile
        return false;
    }
    if (ftruncate(fd, 0) != 0 || fchmod(fd, 0600) != 0) {
        const int error = errno;
        Forget();
        return Refuse(name, std::strerror(error));
    }
    return true;
}

bool TemporaryFile::Hold(int descriptor, const std::string& name)
{
    struct stat st;
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0 || fstat(descriptor, &st) != 0) {
        const int error = errno;
        close(descriptor);
        return Refuse(name, error == EWOULDBLOCK ? "another run is using it" : std::strerror(error));
    }
    fd = descriptor;
    path = name;
    device = st.st_dev;
    inode = st.st_ino;
    keep = false;
    errorText.clear();
    return true;
}

bool TemporaryFile::Refuse(const std::string& name, const char* reason)
{
    errorText = "Cannot use " + name + ": " + reason + ".\n";
    return false;
}

void TemporaryFile::StartWriteback() const
{
    if (fd >= 0) sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool TemporaryFile::Write(const void* data, std::size_t size) const
{
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t w = write(fd, next, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        next += w;
        size -= std::size_t(w);
    }
    return true;
}

bool TemporaryFile::IsIntact() const
{
    struct stat st;
    return fd >= 0 && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == device &&
           st.st_ino == inode;
}

void TemporaryFile::Remove()
{
    // Removed while still locked, so a run waiting to take it over finds it gone.
    if (IsIntact()) unlink(path.c_str());
    Release();
}

void TemporaryFile::Forget()
{
    Release();
}

void TemporaryFile::Release()
{
    if (fd >= 0) close(fd);
    fd = -1;
    keep = false;
}

#include "platform/fs/ResultFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "platform/fs/TemporaryFile.h"

namespace {

constexpr int MaxLinks = 40;

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The file that name's symbolic links lead to (0), or why there is none (an errno value).
int Resolve(const std::string& name, std::string& resolved)
{
    resolved = name;
    for (int links = 0; links <= MaxLinks; ++links) {
        struct stat st;
        if (lstat(resolved.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode)) return 0;
        std::vector<char> text(std::size_t(st.st_size > 0 ? st.st_size : 4096) + 1);
        const ssize_t length = readlink(resolved.c_str(), text.data(), text.size() - 1);
        if (length < 0) return errno;
        const std::string link(text.data(), std::size_t(length));
        resolved = link.front() == '/' ? link : DirectoryOf(resolved) + "/" + link;
    }
    return ELOOP;
}

mode_t CurrentUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

bool WriteAll(int to, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t w = write(to, data, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        size -= std::size_t(w);
    }
    return true;
}

bool CopyAll(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    for (off_t offset = 0;;) {
        const ssize_t r = pread(from, buffer.data(), buffer.size(), offset);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return r == 0;
        if (!WriteAll(to, buffer.data(), std::size_t(r))) return false;
        offset += r;
    }
}

}  // namespace

bool ResultFile::Open(const std::string& chosen)
{
    name = chosen;
    errorText.clear();
    int error = Resolve(name, target);
    if (error == 0) error = Inspect();
    if (error == 0) return true;
    errorText = "Cannot write the result to " + name + ": " + std::strerror(error) + ".\n";
    return false;
}

int ResultFile::Inspect()
{
    exists = lstat(target.c_str(), &existing) == 0;
    if (!exists) return errno == ENOENT ? 0 : errno;
    return S_ISDIR(existing.st_mode) ? EISDIR : 0;
}

bool ResultFile::IsFile(const std::string& path) const
{
    struct stat st;
    return exists && stat(path.c_str(), &st) == 0 && st.st_dev == existing.st_dev && st.st_ino == existing.st_ino;
}

bool ResultFile::IsStream() const
{
    return exists && (S_ISCHR(existing.st_mode) || S_ISBLK(existing.st_mode) || S_ISFIFO(existing.st_mode) ||
                      S_ISSOCK(existing.st_mode));
}

std::string ResultFile::Directory() const
{
    if (!IsStream()) return DirectoryOf(target);
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

bool ResultFile::Replace(TemporaryFile& temporary)
{
    if (!temporary.IsIntact()) {
        errorText = "Cannot move the result to " + name + ": the temporary file " + temporary.Path() +
                    " was changed by another program.\n";
        return false;
    }
    const int inspected = Inspect();
    reason = inspected ? std::strerror(inspected) : "";
    if (inspected == 0 && (IsStream() ? CopyInto(temporary) : RenameOver(temporary))) return true;
    errorText = "Cannot move the result to " + name + ": " + reason + ".\nThe result is kept in " +
                temporary.Path() + ".\n";
    temporary.Keep();
    return false;
}

bool ResultFile::Stop(int error)
{
    reason = std::strerror(error);
    return false;
}

bool ResultFile::CopyInto(TemporaryFile& temporary)
{
    const int to = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (to < 0) return Stop(errno);
    bool ok = CopyAll(temporary.Descriptor(), to);
    int error = errno;
    if (close(to) != 0 && ok) ok = false, error = errno;
    if (!ok) return Stop(error);
    temporary.Remove();
    return true;
}

bool ResultFile::RenameOver(TemporaryFile& temporary)
{
    if (!ApplyAttributes(temporary.Descriptor()) || fsync(temporary.Descriptor()) != 0) return Stop(errno);
    if (rename(temporary.Path().c_str(), target.c_str()) == 0) {
        temporary.Forget();
        return true;
    }
    if (errno != EXDEV) return Stop(errno);
    // On another file system: a flushed copy beside the target, renamed over it.
    TemporaryFile copy;
    if (!copy.CreateUnique(DirectoryOf(target))) {
        reason = copy.ErrorText().substr(0, copy.ErrorText().size() - 2);  // without ".\n"
        reason[0] = 'c';
        return false;
    }
    if (!CopyAll(temporary.Descriptor(), copy.Descriptor()) || !ApplyAttributes(copy.Descriptor()) ||
        fsync(copy.Descriptor()) != 0 || rename(copy.Path().c_str(), target.c_str()) != 0)
        return Stop(errno);
    copy.Forget();
    temporary.Remove();
    return true;
}

bool ResultFile::ApplyAttributes(int descriptor)
{
    if (!exists) return fchmod(descriptor, 0666 & ~CurrentUmask()) == 0;
    // Owner and group where the process may set them; the mode after, as a change of owner
    // clears the set-id bits.
    if (fchown(descriptor, existing.st_uid, existing.st_gid) != 0) fchown(descriptor, uid_t(-1), existing.st_gid);
    return fchmod(descriptor, existing.st_mode & 07777) == 0;
}

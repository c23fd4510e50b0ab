#include "platform/registry/CRegistryFile.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs/ResultFile.h"
#include "platform/fs/TemporaryFile.h"
#include "platform/registry/Registry.h"

namespace {

// flock already serialises separate opens within one process; the mutex keeps the
// threads of this process orderly for the memory they share.
std::mutex& UpdateMutex()
{
    static std::mutex m;
    return m;
}

// On stderr, once per file and problem: a registration may make dozens of calls.
void Report(const std::string& path, const std::string& problem)
{
    static std::mutex m;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> lock(m);
    if (reported.insert(path + '\n' + problem).second)
        std::fprintf(stderr, "registry: %s %s\n", path.c_str(), problem.c_str());
}

LONG ReportFailure(const std::string& path, const char* action, int error, LONG code)
{
    Report(path, std::string("cannot be ") + action + ": " + std::strerror(error));
    return code;
}

// A message of the file service, e.g. "Cannot create a temporary file in /x: Permission denied.\n".
LONG ReportProblem(const std::string& path, std::string message, LONG code)
{
    while (!message.empty() && (message.back() == '\n' || message.back() == '.'))
        message.pop_back();
    if (!message.empty())
        message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
    Report(path, "cannot be written: " + message);
    return code;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool MakeDirectories(const std::string& dir)
{
    if (dir.empty() || dir == "." || dir == "/")
        return true;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            errno = ENOTDIR;
        return S_ISDIR(st.st_mode);
    }
    if (!MakeDirectories(DirectoryOf(dir)))
        return false;
    return ::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

// ERROR_FILE_NOT_FOUND, ERROR_CANTREAD (reported) or ERROR_SUCCESS.
LONG ReadWhole(const std::string& path, std::string* text)
{
    if (path.empty())
        return ERROR_CANTREAD;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ReportFailure(path, "read", errno, ERROR_CANTREAD);
    text->clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return ReportFailure(path, "read", error, ERROR_CANTREAD);
        }
        if (n == 0)
            break;
        text->append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ERROR_SUCCESS;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Replaced whole through a temporary file beside it: its mode and owner are kept, and a
// symbolic link keeps pointing at the file it names, which is the one replaced.
LONG ReplaceFile(const std::string& path, const std::string& text)
{
    ResultFile result;
    TemporaryFile temporary;
    if (!result.Open(path))
        return ReportProblem(path, result.ErrorText(), ERROR_CANTWRITE);
    if (!temporary.CreateUnique(result.Directory()))
        return ReportProblem(path, temporary.ErrorText(), ERROR_CANTWRITE);
    if (!WriteAll(temporary.Descriptor(), text))
        return ReportFailure(path, "written", errno, ERROR_CANTWRITE);
    if (!result.Replace(temporary)) {
        temporary.Remove();
        return ReportProblem(path, result.ErrorText(), ERROR_CANTWRITE);
    }
    return ERROR_SUCCESS;
}

// How long a change waits for another process's lock: a message after the first second,
// and a refusal at the end.
std::atomic<int> lockTimeoutMs{30000};
constexpr int LockNoticeMs = 1000;
constexpr int LockPollMs = 20;

// The exclusive lock on "<file>.lock"; closing the descriptor releases it.
class LockFile {
public:
    explicit LockFile(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        error_ = fd_ < 0 ? errno : 0;
        if (fd_ >= 0 && !Wait(path)) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~LockFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    bool Held() const { return fd_ >= 0; }
    int Error() const { return error_; }
    bool TimedOut() const { return error_ == EWOULDBLOCK; }

private:
    bool Wait(const std::string& path)
    {
        for (int waited = 0;; waited += LockPollMs) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (errno != EWOULDBLOCK && errno != EINTR) {
                error_ = errno;
                return false;
            }
            if (waited >= lockTimeoutMs.load()) {
                error_ = EWOULDBLOCK;
                return false;
            }
            if (waited == LockNoticeMs)
                std::fprintf(stderr, "registry: waiting for %s, which another process holds\n", path.c_str());
            ::usleep(LockPollMs * 1000);
        }
    }

    int fd_;
    int error_;
};

} // namespace

std::string CRegistryFile::GetPath()
{
    if (const char* env = std::getenv("CALYRIX_REGISTRY"); env != nullptr && *env != '\0')
        return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/')
        return std::string(xdg) + "/calyrix/registry.reg";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw != nullptr ? pw->pw_dir : nullptr;
    }
    // Never a shared place such as /tmp, where another user could plant the file.
    if (home == nullptr || *home != '/')
        return std::string();
    return std::string(home) + "/.config/calyrix/registry.reg";
}

std::string CRegistryFile::GetUsablePath()
{
    std::string path = GetPath();
    if (path.empty())
        Report("file", "has no location: set CALYRIX_REGISTRY or HOME");
    return path;
}

LONG CRegistryFile::Load(CRegistryTree& tree, std::string* reason)
{
    try {
        return LoadFrom(GetUsablePath(), tree, reason);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LONG CRegistryFile::LoadFrom(const std::string& path, CRegistryTree& tree, std::string* reason)
{
    std::string text;
    const LONG rc = ReadWhole(path, &text);
    if (rc == ERROR_FILE_NOT_FOUND) {
        tree.Parse(std::string(), nullptr);
        return ERROR_SUCCESS;
    }
    if (rc != ERROR_SUCCESS)
        return rc;
    std::string why;
    if (!tree.Parse(text, &why)) {
        Report(path, "is damaged (" + why + "); it is left as it is and not changed");
        if (reason != nullptr)
            *reason = why;
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

LONG CRegistryFile::Update(const std::function<LONG(CRegistryTree&)>& change)
{
    std::lock_guard<std::mutex> guard(UpdateMutex());
    try {
        return UpdateLocked(GetUsablePath(), change);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LONG CRegistryFile::UpdateLocked(const std::string& path, const std::function<LONG(CRegistryTree&)>& change)
{
    if (path.empty())
        return ERROR_CANTWRITE;
    // A file made read-only is left alone, although replacing it would succeed.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
        Report(path, "is read-only; it is left as it is and not changed");
        return ERROR_ACCESS_DENIED;
    }
    if (!MakeDirectories(DirectoryOf(path)))
        return ReportFailure(DirectoryOf(path), "created", errno, ERROR_CANTWRITE);
    const std::string lockPath = path + ".lock";
    LockFile lock(lockPath);
    if (lock.TimedOut()) {
        std::fprintf(stderr, "registry: %s is still held by another process after %d seconds; nothing was changed\n",
                     lockPath.c_str(), lockTimeoutMs.load() / 1000);
        return ERROR_CANTWRITE;
    }
    if (!lock.Held())
        return ReportFailure(lockPath, "locked", lock.Error(), ERROR_CANTWRITE);
    CRegistryTree tree;
    LONG rc = LoadFrom(path, tree, nullptr);
    if (rc == ERROR_SUCCESS)
        rc = change(tree);
    if (rc == ERROR_SUCCESS)
        rc = ReplaceFile(path, tree.Serialize());
    return rc;
}

LONG CRegistryFile::ReadText(std::string* text)
{
    return ReadWhole(GetUsablePath(), text);
}

void CRegistryFile::SetLockTimeout(int milliseconds)
{
    lockTimeoutMs = milliseconds;
}

#include "platform/base/Process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Any distinct non-null value: it is never dereferenced.
HANDLE const CurrentProcessHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

bool NiceOf(DWORD priorityClass, int& nice)
{
    switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: nice = 19; return true;
    case BELOW_NORMAL_PRIORITY_CLASS: nice = 10; return true;
    case NORMAL_PRIORITY_CLASS: nice = 0; return true;
    case ABOVE_NORMAL_PRIORITY_CLASS: nice = -5; return true;
    case HIGH_PRIORITY_CLASS: nice = -10; return true;
    case REALTIME_PRIORITY_CLASS: nice = -20; return true;
    default: return false;
    }
}

DWORD CopyOut(const std::string& text, DWORD bufferLength, LPSTR buffer)
{
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (buffer == nullptr || bufferLength < needed) return needed;
    std::memcpy(buffer, text.c_str(), needed);
    return needed - 1;
}

}  // namespace

HANDLE GetCurrentProcess() noexcept
{
    return CurrentProcessHandle;
}

BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) noexcept
{
    int nice = 0;
    if (process != CurrentProcessHandle || !NiceOf(priorityClass, nice)) return FALSE;
    const bool raiseOnly = nice < 0;

    // Linux keeps a nice value per thread, so every task of the process is moved.
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return FALSE;
    bool allDone = true;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        const auto tid = static_cast<id_t>(std::strtol(entry->d_name, nullptr, 10));
        errno = 0;
        const int current = getpriority(PRIO_PROCESS, tid);
        if (errno != 0) continue;  // the thread has ended meanwhile
        if (raiseOnly && current <= nice) continue;
        if (setpriority(PRIO_PROCESS, tid, nice) != 0) allDone = false;
    }
    closedir(tasks);
    return allDone ? TRUE : FALSE;
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) noexcept
{
    try {
        const char* dir = std::getenv("TMPDIR");
        std::string path = dir && *dir ? dir : "/tmp";
        if (path.back() != '/') path += '/';
        return CopyOut(path, bufferLength, buffer);
    } catch (...) {
        return 0;
    }
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) noexcept
{
    try {
        char* cwd = getcwd(nullptr, 0);
        if (!cwd) return 0;
        std::string path = cwd;
        std::free(cwd);
        return CopyOut(path, bufferLength, buffer);
    } catch (...) {
        return 0;
    }
}

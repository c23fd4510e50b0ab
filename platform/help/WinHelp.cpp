#include "platform/help/WinHelp.h"

#include <cstdio>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <utility>

extern char** environ;

namespace {

bool StartBrowser(const std::string& url) {
    char program[] = "xdg-open";
    std::string argument = url;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return false;
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return true;
}

std::mutex openerLock;
HelpOpener currentOpener = StartBrowser;

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A file:// address of an absolute or relative path, with every byte that is not plainly
// safe in a URL escaped.
std::string FileUrl(const std::string& path) {
    static const char digits[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += digits[c >> 4];
            url += digits[c & 15];
        }
    }
    return url;
}

std::string Topic(DWORD_PTR context) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(context));
    return hex;
}

}  // namespace

HelpOpener SetHelpOpener(HelpOpener opener) {
    std::lock_guard<std::mutex> guard(openerLock);
    return std::exchange(currentOpener, std::move(opener));
}

std::string HelpTopicUrl(const char* helpFile, UINT command, DWORD_PTR data) {
    if (!helpFile || !*helpFile) return {};
    std::string file = helpFile;
    bool context = command == HELP_CONTEXT;
    if (IsDirectory(file)) {
        std::string page = file + "/" + (context ? Topic(data) : "index") + ".html";
        if (!IsFile(page)) page = file + "/index.html";
        return IsFile(page) ? FileUrl(page) : std::string();
    }
    if (!IsFile(file)) return {};
    return FileUrl(file) + (context ? "#" + Topic(data) : std::string());
}

BOOL WinHelpA(HWND, const char* helpFile, UINT command, DWORD_PTR data) noexcept {
    if (command == HELP_QUIT) return TRUE;
    if (command != HELP_CONTEXT && command != HELP_FINDER) return FALSE;
    try {
        std::string url = HelpTopicUrl(helpFile, command, data);
        if (url.empty()) return FALSE;
        std::lock_guard<std::mutex> guard(openerLock);
        return currentOpener && currentOpener(url) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

// regsvr MODULE | regsvr -u MODULE | regsvr --info MODULE | regsvr --dump
// Registers or unregisters a component module through its own exports, prints its
// version record, or prints the registry file.

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "platform/com/ComApi.h"
#include "platform/com/VersionRecord.h"
#include "platform/registry/Registry.h"
#include "tools/ToolVersion.h"

namespace {

// Exit codes in the tradition of the registration tool.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitLoadFailed = 3;
constexpr int kExitNoEntryPoint = 4;
constexpr int kExitCallFailed = 5;
constexpr int kExitRegistry = 6;

void Usage(FILE* out)
{
    std::fprintf(out,
                 "usage: regsvr MODULE       register MODULE (calls its DllRegisterServer)\n"
                 "       regsvr -u MODULE    unregister MODULE (calls its DllUnregisterServer)\n"
                 "       regsvr --info MODULE  print MODULE's version record\n"
                 "       regsvr --dump       print the registry file\n"
                 "       regsvr --version    print the version\n"
                 "The registry file is $CALYRIX_REGISTRY when set.\n");
}

// A module named by a path that exists is loaded by its full path, which is what the
// module records about itself.
std::string ModulePath(const char* name)
{
    struct stat st {};
    char resolved[PATH_MAX];
    if (::stat(name, &st) == 0 && S_ISREG(st.st_mode) && ::realpath(name, resolved) != nullptr)
        return resolved;
    return name;
}

int Dump()
{
    std::string text, reason;
    const LSTATUS rc = RegExportText(&text, &reason);
    const std::string path = RegGetFilePath();
    if (rc == ERROR_FILE_NOT_FOUND) {
        std::fprintf(stderr, "regsvr: the registry %s is empty (no file yet)\n", path.c_str());
        return kExitOk;
    }
    if (rc == ERROR_BADDB) {
        std::fprintf(stderr, "regsvr: the registry %s is damaged: %s\n", path.c_str(), reason.c_str());
        return kExitRegistry;
    }
    if (rc != ERROR_SUCCESS) {
        std::fprintf(stderr, "regsvr: cannot read the registry %s (error %ld)\n", path.c_str(), static_cast<long>(rc));
        return kExitRegistry;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitRegistry;
}

// Prints the version record a module exports; its code is not called.
int Info(const char* name)
{
    const std::string path = ModulePath(name);
    void* module = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", name, why != nullptr ? why : "unknown error");
        return kExitLoadFailed;
    }
    const auto* record = static_cast<const VersionRecord*>(::dlsym(module, VersionRecordSymbol));
    std::vector<std::pair<std::string, std::string>> strings;
    if (record == nullptr || !ReadVersionStrings(*record, &strings)) {
        std::fprintf(stderr, "regsvr: %s has no readable version record\n", name);
        return kExitNoEntryPoint;
    }
    std::printf("FILEVERSION: %s\nPRODUCTVERSION: %s\nFILETYPE: %s\n", VersionText(record->fileVersion).c_str(),
                VersionText(record->productVersion).c_str(), record->fileType == VFT_DLL ? "DLL" : "unknown");
    for (const auto& [key, value] : strings)
        std::printf("%s: %s\n", key.c_str(), value.c_str());
    return std::fflush(stdout) == 0 ? kExitOk : kExitCallFailed;
}

int CallExport(const char* name, bool unregister)
{
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const std::string path = ModulePath(name);
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", name, why != nullptr ? why : "unknown error");
        return kExitLoadFailed;
    }
    auto function = reinterpret_cast<PFN_DllRegisterServer>(::dlsym(module, entry));
    if (function == nullptr) {
        std::fprintf(stderr, "regsvr: %s has no %s entry point\n", name, entry);
        ::dlclose(module);
        return kExitNoEntryPoint;
    }
    const HRESULT init = CoInitialize(nullptr);
    const HRESULT hr = function();
    if (SUCCEEDED(init))
        CoUninitialize();
    // The module stays mapped until exit: what its static objects hold stays reachable.
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s in %s failed: 0x%08X\n", entry, name, static_cast<unsigned>(hr));
        return kExitCallFailed;
    }
    std::printf("regsvr: %s in %s succeeded: 0x%08X\n", entry, name, static_cast<unsigned>(hr));
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("regsvr", argc, argv)) return 0;
    if (argc == 2 && std::strcmp(argv[1], "--dump") == 0)
        return Dump();
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        Usage(stdout);
        return kExitOk;
    }
    if (argc == 2 && argv[1][0] != '-')
        return CallExport(argv[1], false);
    if (argc == 3 && std::strcmp(argv[1], "--info") == 0)
        return Info(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "-u") == 0)
        return CallExport(argv[2], true);
    Usage(stderr);
    return kExitUsage;
}

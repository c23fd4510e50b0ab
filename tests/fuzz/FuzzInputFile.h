#pragma once

// What the harnesses share: the input written to a file of this process (on tmpfs when
// there is one), reading a file back, and a check that stops the run with its condition.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

// The path of this process's input file for one harness; removed when the process exits.
inline const std::string& FuzzInputPath(const char* name)
{
    static const std::string path = [name] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/calyrix-fuzz-" + name + "-" + std::to_string(getpid());
    }();
    static const int registered = std::atexit([] { unlink(path.c_str()); });
    (void)registered;
    return path;
}

inline void WriteFuzzInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);
}

inline std::string ReadFuzzFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

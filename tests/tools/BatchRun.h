#pragma once

// Runs the embrel-batch executable for the tool tests and collects what it printed.

#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <sys/wait.h>

#include "WavTestFiles.h"

namespace batchtest {

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Single-quoted for the shell.
inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The temporary files a run left in directory (hidden, named ".~Embrel~" and six characters).
inline std::vector<std::string> TemporaryFilesIn(const std::string& directory)
{
    std::vector<std::string> found;
    if (DIR* d = opendir(directory.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string(e->d_name).rfind(".~Embrel~", 0) == 0) found.push_back(e->d_name);
        closedir(d);
    }
    return found;
}

// environment: assignments put before the command ("TMPDIR='...' ..."); stdin is /dev/null,
// stdout and stderr go through files in dir.
inline Result RunBatch(const std::string& environment, const std::string& args, const wavtest::TempDir& dir)
{
    const std::string outFile = dir.File("stdout"), errFile = dir.File("stderr");
    const std::string command = environment + " " + EMBREL_BATCH + std::string(" ") + args + " >" +
                                Quote(outFile) + " 2>" + Quote(errFile) + " </dev/null";
    const int raw = std::system(command.c_str());
    Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, {}};
    const wavtest::Bytes o = wavtest::ReadFile(outFile), e = wavtest::ReadFile(errFile);
    r.out.assign(o.begin(), o.end());
    r.err.assign(e.begin(), e.end());
    return r;
}

}  // namespace batchtest

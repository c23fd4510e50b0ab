#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <vector>

#include "FaultProcess.h"
#include "WavTestFiles.h"

namespace faulttest {

// A directory per test with the tools' launches; TMPDIR is a directory of its own.
class FaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmp = dir.File("tmp");
        mkdir(tmp.c_str(), 0755);
    }

    std::string Demo(const std::string& name, const std::string& seconds, const std::string& channels = "2")
    {
        const std::string path = dir.File(name);
        const Outcome o = RunTool({{DEMO_SOUND, path, "--seconds", seconds, "--channels", channels}}, dir.path, "demo");
        EXPECT_EQ(o.status, 0) << o.err;
        return path;
    }

    // embrel-batch with dither off (its output is then a function of input and settings).
    Launch Batch(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {EMBREL_BATCH, "-q", "--dither", "off"});
        return {args, {"TMPDIR=" + tmp}};
    }
    Launch Graph(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {EMBREL_GRAPH, "--module", EMBREL_AX, "--set", "Dither=0"});
        return {args, {"TMPDIR=" + tmp}};
    }

    // The temporary files left in directory.
    static std::vector<std::string> Leftovers(const std::string& directory)
    {
        std::vector<std::string> found;
        if (DIR* d = opendir(directory.c_str())) {
            while (const dirent* e = readdir(d))
                if (std::string(e->d_name).rfind(".~Embrel~", 0) == 0) found.push_back(e->d_name);
            closedir(d);
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    static struct stat Lstat(const std::string& path)
    {
        struct stat st {};
        lstat(path.c_str(), &st);
        return st;
    }

    wavtest::TempDir dir;
    std::string tmp;
};

// A small tmpfs for the life of the object (root only): Mounted() says whether it is there.
class SmallFileSystem {
public:
    SmallFileSystem(const std::string& path, const char* size) : path(path)
    {
        mkdir(path.c_str(), 0755);
        mounted = geteuid() == 0 && mount("calyrix-faults", path.c_str(), "tmpfs", 0, size) == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted) umount2(path.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted; }
    bool MakeReadOnly() const
    {
        return mounted && mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string path;
    bool mounted = false;
};

}  // namespace faulttest

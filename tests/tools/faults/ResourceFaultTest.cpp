#include <string>
#include <unistd.h>

#include "FaultFixture.h"

using namespace faulttest;
using wavtest::Bytes;
using wavtest::ReadFile;
using wavtest::WriteFile;

class ResourceFaultTest : public FaultTest {
protected:
    void SetUp() override
    {
        FaultTest::SetUp();
        in = Demo("in.wav", "1");  // 176 KB of sound
    }

    // Both tools into out, which holds "keep" before: each fails with a message holding
    // its reason, leaves out as it was and no temporary file beside it.
    void ExpectRefused(const std::string& out, const std::string& batchReason, const std::string& graphReason,
                       rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        for (Launch launch : {Batch({in, out}), Graph({in, out})}) {
            SCOPED_TRACE(launch.args[0]);
            const std::string& reason = launch.args[0] == EMBREL_BATCH ? batchReason : graphReason;
            launch.fileSizeLimit = fileSizeLimit;
            const Outcome o = RunTool(launch, dir.path);
            EXPECT_EQ(o.status, 1) << o.err;
            EXPECT_EQ(o.signal, 0);
            EXPECT_NE(o.err.find(reason), std::string::npos) << o.err;
            EXPECT_EQ(ReadFile(out), (Bytes{'k', 'e', 'e', 'p'}));
            const std::string directory = out.substr(0, out.rfind('/'));
            EXPECT_TRUE(Leftovers(directory).empty());
        }
    }

    std::string in;
};

TEST_F(ResourceFaultTest, AFileSizeLimitIsAWriteErrorWithItsReason)
{
    const std::string out = dir.File("out.wav");
    WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
    ExpectRefused(out, "File too large", "File too large", 64 * 1024);
}

TEST_F(ResourceFaultTest, AFullFileSystemIsAWriteErrorWithItsReason)
{
    SmallFileSystem small(dir.File("small"), "size=96k");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a small file system needs root";
    const std::string out = dir.File("small/out.wav");
    WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
    ExpectRefused(out, "No space left on device", "STG_E_MEDIUMFULL: the disk is full");
}

TEST_F(ResourceFaultTest, ReadOnlyAndMissingDirectoriesAreRefusedBeforeAnyWork)
{
    const std::string missing = dir.File("none");
    for (const Launch& launch : {Batch({in, missing + "/out.wav"}), Graph({in, missing + "/out.wav"})}) {
        const Outcome o = RunTool(launch, dir.path);
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find("Cannot create a temporary file in " + missing + ": No such file or directory"),
                  std::string::npos)
            << o.err;
    }

    SmallFileSystem readOnly(dir.File("ro"), "size=64k");
    std::string reason = "Read-only file system";
    const std::string out = dir.File("ro/out.wav");
    if (readOnly.Mounted()) {
        WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
        ASSERT_TRUE(readOnly.MakeReadOnly());
    } else {
        // Without root, a directory without write permission.
        WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
        chmod(dir.File("ro").c_str(), 0555);
        reason = "Permission denied";
    }
    const std::string refusal = "Cannot create a temporary file in " + dir.File("ro") + ": " + reason;
    ExpectRefused(out, refusal, refusal);
    chmod(dir.File("ro").c_str(), 0755);
}

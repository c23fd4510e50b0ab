#include <cstring>
#include <string>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

#include "FaultFixture.h"

using namespace faulttest;
using wavtest::Bytes;
using wavtest::ReadFile;
using wavtest::WriteFile;

namespace {

struct Tool {
    const char* name;
    bool graph;
};

}  // namespace

class OutputFaultTest : public FaultTest {
protected:
    void SetUp() override
    {
        FaultTest::SetUp();
        in = Demo("in.wav", "0.5");
        inBytes = ReadFile(in);
    }

    // The tool's result for the input, made once into a fresh file.
    Bytes Reference(const Tool& tool)
    {
        const std::string out = dir.File(std::string("ref-") + tool.name + ".wav");
        const Outcome o = RunTool((tool.graph ? Graph({in, out}) : Batch({in, out})), dir.path);
        EXPECT_EQ(o.status, 0) << o.err;
        return ReadFile(out);
    }

    Outcome RunInto(const Tool& tool, const std::string& out) { return RunTool((tool.graph ? Graph({in, out}) : Batch({in, out})), dir.path); }

    std::string in;
    Bytes inBytes;
    const Tool tools[2] = {{"embrel-batch", false}, {"embrel-graph", true}};
};

// A replaced OUTPUT keeps its mode (and owner and group, as root); a symlink is followed
// and stays a link; a dangling one gets its target made.
TEST_F(OutputFaultTest, ReplacedOutputsKeepModeOwnerAndLinks)
{
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        const Bytes expected = Reference(tool);
        const std::string out = dir.File("out.wav");
        WriteFile(out, Bytes{'o', 'l', 'd'});
        chmod(out.c_str(), 0640);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(out.c_str(), 65534, 65534), 0);
        }
        const struct stat before = Lstat(out);
        Outcome o = RunInto(tool, out);
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(ReadFile(out) == expected);
        EXPECT_EQ(Lstat(out).st_mode, before.st_mode);
        EXPECT_EQ(Lstat(out).st_uid, before.st_uid);
        EXPECT_EQ(Lstat(out).st_gid, before.st_gid);

        const std::string target = dir.File("target.wav"), link = dir.File("link.wav");
        WriteFile(target, Bytes{'o', 'l', 'd'});
        chmod(target.c_str(), 0600);
        unlink(link.c_str());
        ASSERT_EQ(symlink("target.wav", link.c_str()), 0);
        o = RunInto(tool, link);
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(S_ISLNK(Lstat(link).st_mode));
        EXPECT_TRUE(ReadFile(target) == expected);
        EXPECT_EQ(Lstat(target).st_mode & 07777, 0600u);

        unlink(link.c_str());
        unlink(target.c_str());
        ASSERT_EQ(symlink("target.wav", link.c_str()), 0);
        o = RunInto(tool, link);
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(ReadFile(target) == expected);
        EXPECT_TRUE(Leftovers(dir.path).empty());
    }
}

// The input under another name (the same path, a hard link, a symlink) and a directory are
// refused before any work; nothing is written.
TEST_F(OutputFaultTest, TheInputAndDirectoriesAreRefusedBeforeAnyWork)
{
    ASSERT_EQ(link(in.c_str(), dir.File("hard.wav").c_str()), 0);
    ASSERT_EQ(symlink("in.wav", dir.File("soft.wav").c_str()), 0);
    mkdir(dir.File("folder.wav").c_str(), 0755);
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        for (const char* name : {"in.wav", "hard.wav", "soft.wav"}) {
            const Outcome o = RunInto(tool, dir.File(name));
            EXPECT_EQ(o.status, 1) << name;
            EXPECT_NE(o.err.find("is the input file"), std::string::npos) << o.err;
            EXPECT_TRUE(ReadFile(in) == inBytes) << name;
        }
        const Outcome o = RunInto(tool, dir.File("folder.wav"));
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find("Cannot write the result to " + dir.File("folder.wav") + ": Is a directory"),
                  std::string::npos)
            << o.err;
        EXPECT_TRUE(S_ISDIR(Lstat(dir.File("folder.wav")).st_mode));
        EXPECT_TRUE(Leftovers(dir.path).empty());
        EXPECT_TRUE(Leftovers(tmp).empty());
    }
}

// Devices and FIFOs are written into and stay what they are; a device that fails the
// write keeps the result in a named file.
TEST_F(OutputFaultTest, DevicesAndFifosAreWrittenIntoNeverReplaced)
{
    // As root, device nodes of our own (null and full) beside the other files.
    std::string null = "/dev/null", full = "/dev/full";
    if (geteuid() == 0 && mknod(dir.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
        mknod(dir.File("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0)
        null = dir.File("null"), full = dir.File("full");
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        const Bytes expected = Reference(tool);
        Outcome o = RunInto(tool, null);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(S_ISCHR(Lstat(null).st_mode));

        Bytes received;
        std::thread reader([&] { received = ReadFile(fifo); });
        o = RunInto(tool, fifo);
        reader.join();
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(received == expected);
        EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));

        o = RunInto(tool, full);
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find("Cannot move the result to " + full + ": No space left on device"), std::string::npos)
            << o.err;
        EXPECT_TRUE(S_ISCHR(Lstat(full).st_mode));
        const std::vector<std::string> kept = Leftovers(tmp);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_NE(o.err.find("The result is kept in " + tmp + "/" + kept[0]), std::string::npos) << o.err;
        EXPECT_TRUE(ReadFile(tmp + "/" + kept[0]) == expected);
        unlink((tmp + "/" + kept[0]).c_str());
    }
}

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "WavTestFiles.h"
#include "platform/fs/ResultFile.h"
#include "platform/fs/TemporaryFile.h"

using namespace wavtest;

namespace {

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

struct stat Lstat(const std::string& path)
{
    struct stat st {};
    lstat(path.c_str(), &st);
    return st;
}

// A temporary file holding bytes, made where a run would make it for result.
bool MakeResult(TemporaryFile& temporary, const std::string& directory, const Bytes& bytes)
{
    return temporary.CreateUnique(directory) &&
           write(temporary.Descriptor(), bytes.data(), bytes.size()) == ssize_t(bytes.size());
}

}  // namespace

TEST(ResultFile, ReplacingKeepsModeAndOwnerAndANewFileFollowsTheUmask)
{
    TempDir dir;
    const std::string out = dir.File("out.wav");
    WriteFile(out, Bytes{9});
    chmod(out.c_str(), 0640);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(out.c_str(), 65534, 65534), 0);
    }
    const struct stat before = Lstat(out);

    ResultFile result;
    ASSERT_TRUE(result.Open(out)) << result.ErrorText();
    TemporaryFile temporary;
    ASSERT_TRUE(MakeResult(temporary, result.Directory(), Bytes{1, 2, 3}));
    const std::string temporaryPath = temporary.Path();
    ASSERT_TRUE(result.Replace(temporary)) << result.ErrorText();
    EXPECT_EQ(ReadFile(out), (Bytes{1, 2, 3}));
    const struct stat after = Lstat(out);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_FALSE(Exists(temporaryPath));

    const mode_t mask = umask(027);
    ResultFile fresh;
    TemporaryFile second;
    ASSERT_TRUE(fresh.Open(dir.File("new.wav")));
    ASSERT_TRUE(MakeResult(second, fresh.Directory(), Bytes{4}));
    EXPECT_TRUE(fresh.Replace(second)) << fresh.ErrorText();
    umask(mask);
    EXPECT_EQ(Lstat(dir.File("new.wav")).st_mode & 07777, 0640u);
}

TEST(ResultFile, SymbolicLinksAreFollowedAndTheirTargetReplaced)
{
    TempDir dir;
    mkdir(dir.File("real").c_str(), 0755);
    const std::string target = dir.File("real/out.wav");
    WriteFile(target, Bytes{9});
    chmod(target.c_str(), 0600);
    ASSERT_EQ(symlink("real/out.wav", dir.File("link.wav").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("link.wav").c_str(), dir.File("link2.wav").c_str()), 0);

    ResultFile result;
    ASSERT_TRUE(result.Open(dir.File("link2.wav"))) << result.ErrorText();
    EXPECT_EQ(result.Target(), dir.File("real/out.wav"));
    EXPECT_EQ(result.Directory(), dir.File("real"));
    TemporaryFile temporary;
    ASSERT_TRUE(MakeResult(temporary, result.Directory(), Bytes{1}));
    ASSERT_TRUE(result.Replace(temporary)) << result.ErrorText();
    EXPECT_TRUE(S_ISLNK(Lstat(dir.File("link2.wav")).st_mode));
    EXPECT_TRUE(S_ISLNK(Lstat(dir.File("link.wav")).st_mode));
    EXPECT_EQ(ReadFile(target), (Bytes{1}));
    EXPECT_EQ(Lstat(target).st_mode & 07777, 0600u);

    // A dangling link: its target is created.
    ASSERT_EQ(symlink("made.wav", dir.File("dangling.wav").c_str()), 0);
    ResultFile dangling;
    TemporaryFile second;
    ASSERT_TRUE(dangling.Open(dir.File("dangling.wav")));
    ASSERT_TRUE(MakeResult(second, dangling.Directory(), Bytes{2}));
    ASSERT_TRUE(dangling.Replace(second)) << dangling.ErrorText();
    EXPECT_EQ(ReadFile(dir.File("made.wav")), (Bytes{2}));
    EXPECT_TRUE(S_ISLNK(Lstat(dir.File("dangling.wav")).st_mode));
}

TEST(ResultFile, DirectoriesAndLinkLoopsAreRefusedAndTheInputIsRecognised)
{
    TempDir dir;
    ResultFile result;
    EXPECT_FALSE(result.Open(dir.path));
    EXPECT_EQ(result.ErrorText(), "Cannot write the result to " + dir.path + ": Is a directory.\n");
    ASSERT_EQ(symlink("loop.wav", dir.File("loop.wav").c_str()), 0);
    EXPECT_FALSE(result.Open(dir.File("loop.wav")));
    EXPECT_EQ(result.ErrorText(),
              "Cannot write the result to " + dir.File("loop.wav") + ": Too many levels of symbolic links.\n");

    const std::string input = dir.File("in.wav");
    WriteFile(input, Bytes{1});
    ASSERT_EQ(link(input.c_str(), dir.File("hard.wav").c_str()), 0);
    ASSERT_EQ(symlink("in.wav", dir.File("soft.wav").c_str()), 0);
    for (const char* name : {"in.wav", "hard.wav", "soft.wav"}) {
        ASSERT_TRUE(result.Open(dir.File(name)));
        EXPECT_TRUE(result.IsFile(input)) << name;
    }
    WriteFile(dir.File("other.wav"), Bytes{1});
    ASSERT_TRUE(result.Open(dir.File("other.wav")));
    EXPECT_FALSE(result.IsFile(input));
    ASSERT_TRUE(result.Open(dir.File("missing.wav")));
    EXPECT_FALSE(result.IsFile(input));
}

TEST(ResultFile, DevicesAndFifosAreWrittenIntoNeverReplaced)
{
    TempDir dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Bytes received;
    std::thread reader([&] { received = ReadFile(fifo); });
    ResultFile result;
    ASSERT_TRUE(result.Open(fifo));
    EXPECT_TRUE(result.IsStream());
    TemporaryFile temporary;
    ASSERT_TRUE(MakeResult(temporary, result.Directory(), Ramp(200000)));
    const std::string temporaryPath = temporary.Path();
    EXPECT_TRUE(result.Replace(temporary)) << result.ErrorText();
    reader.join();
    EXPECT_EQ(received, Ramp(200000));
    EXPECT_TRUE(S_ISFIFO(Lstat(fifo).st_mode));
    EXPECT_FALSE(Exists(temporaryPath));

    // A device that fails the write: the result stays in the temporary file, which is named.
    ResultFile full;
    ASSERT_TRUE(full.Open("/dev/full"));
    TemporaryFile second;
    ASSERT_TRUE(MakeResult(second, dir.path, Bytes{1, 2}));
    EXPECT_FALSE(full.Replace(second));
    EXPECT_EQ(full.ErrorText(), "Cannot move the result to /dev/full: No space left on device.\n"
                                "The result is kept in " + second.Path() + ".\n");
    EXPECT_TRUE(Exists(second.Path()));
    EXPECT_TRUE(S_ISCHR(Lstat("/dev/full").st_mode));
}

TEST(ResultFile, AFailedMoveLeavesTheDestinationAndNamesTheKeptResult)
{
    TempDir dir;
    const std::string out = dir.File("gone/out.wav");
    mkdir(dir.File("gone").c_str(), 0755);
    ResultFile result;
    ASSERT_TRUE(result.Open(out));
    std::string kept;
    {
        TemporaryFile temporary;
        ASSERT_TRUE(MakeResult(temporary, dir.path, Bytes{1, 2, 3}));
        rmdir(dir.File("gone").c_str());
        EXPECT_FALSE(result.Replace(temporary));
        kept = temporary.Path();
        EXPECT_EQ(result.ErrorText(), "Cannot move the result to " + out +
                                          ": No such file or directory.\nThe result is kept in " + kept + ".\n");
    }
    EXPECT_EQ(ReadFile(kept), (Bytes{1, 2, 3}));

    // A temporary file that someone replaced under its name is never moved.
    WriteFile(dir.File("out.wav"), Bytes{9});
    ASSERT_TRUE(result.Open(dir.File("out.wav")));
    TemporaryFile temporary;
    ASSERT_TRUE(MakeResult(temporary, dir.path, Bytes{1}));
    WriteFile(dir.File("planted"), Bytes{6});
    ASSERT_EQ(rename(dir.File("planted").c_str(), temporary.Path().c_str()), 0);
    EXPECT_FALSE(result.Replace(temporary));
    EXPECT_EQ(ReadFile(dir.File("out.wav")), (Bytes{9}));
}

TEST(ResultFile, AResultOnAnotherFileSystemIsCopiedBesideTheTarget)
{
    TempDir dir;
    struct stat here {}, shm {};
    if (stat(dir.path.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const std::string out = dir.File(std::string(251, 'o') + ".wav");
    WriteFile(out, Bytes{9});
    chmod(out.c_str(), 0604);
    TemporaryFile temporary;
    ASSERT_TRUE(temporary.Claim("/dev/shm/calyrix-result-" + std::to_string(getpid())));
    const Bytes data = Ramp(300000);
    ASSERT_EQ(write(temporary.Descriptor(), data.data(), data.size()), ssize_t(data.size()));
    ResultFile result;
    ASSERT_TRUE(result.Open(out));
    ASSERT_TRUE(result.Replace(temporary)) << result.ErrorText();
    EXPECT_EQ(ReadFile(out), data);
    EXPECT_EQ(Lstat(out).st_mode & 07777, 0604u);
    EXPECT_FALSE(Exists("/dev/shm/calyrix-result-" + std::to_string(getpid())));
}

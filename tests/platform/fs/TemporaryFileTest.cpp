#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "WavTestFiles.h"
#include "platform/fs/TemporaryFile.h"

using namespace wavtest;

namespace {

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

mode_t Mode(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Whether a second process-wide open of path could take the run's lock.
bool LockIsFree(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY);
    const bool free = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) close(fd);
    return free;
}

}  // namespace

TEST(TemporaryFile, UniqueFilesAreFreshPrivateLockedAndRemovedUnlessKept)
{
    TempDir dir;
    std::string kept;
    {
        TemporaryFile a, b;
        ASSERT_TRUE(a.CreateUnique(dir.path)) << a.ErrorText();
        ASSERT_TRUE(b.CreateUnique(dir.path)) << b.ErrorText();
        EXPECT_NE(a.Path(), b.Path());
        EXPECT_EQ(Mode(a.Path()), 0600u);
        EXPECT_FALSE(LockIsFree(a.Path()));
        EXPECT_TRUE(a.IsIntact());
        b.Keep();
        kept = b.Path();
        const std::string removed = a.Path();
        a.Remove();
        EXPECT_FALSE(Exists(removed));
    }
    EXPECT_TRUE(Exists(kept));
    EXPECT_TRUE(LockIsFree(kept));

    TemporaryFile missing;
    EXPECT_FALSE(missing.CreateUnique(dir.File("no/such")));
    EXPECT_EQ(missing.ErrorText(), "Cannot create a temporary file in " + dir.File("no/such") +
                                       ": No such file or directory.\n");
}

TEST(TemporaryFile, AClaimedNameIsHeldForTheRunAndAStaleOneIsTakenOver)
{
    TempDir dir;
    const std::string name = dir.File("~Embrel~.wav");
    {
        TemporaryFile first, second;
        ASSERT_TRUE(first.Claim(name)) << first.ErrorText();
        EXPECT_EQ(Mode(name), 0600u);
        EXPECT_FALSE(second.Claim(name));
        EXPECT_EQ(second.ErrorText(), "Cannot use " + name + ": another run is using it.\n");
        // The refused claim must not remove the holder's file when it ends.
    }
    EXPECT_FALSE(Exists(name));

    // Left by a killed run: unlocked, with content and a wider mode.
    WriteFile(name, Bytes{1, 2, 3});
    chmod(name.c_str(), 0644);
    TemporaryFile next;
    ASSERT_TRUE(next.Claim(name)) << next.ErrorText();
    EXPECT_EQ(Mode(name), 0600u);
    struct stat st;
    ASSERT_EQ(fstat(next.Descriptor(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
}

TEST(TemporaryFile, AClaimRefusesWhatIsNotAPlainFileOfThisUser)
{
    TempDir dir;
    const std::string name = dir.File("~Embrel~.wav");
    const std::string victim = dir.File("victim");
    WriteFile(victim, Bytes{7, 7});
    chmod(victim.c_str(), 0600);

    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);
    TemporaryFile viaLink;
    EXPECT_FALSE(viaLink.Claim(name));
    EXPECT_EQ(viaLink.ErrorText(), "Cannot use " + name + ": it is a symbolic link.\n");
    unlink(name.c_str());
    ASSERT_EQ(symlink(dir.File("dangling").c_str(), name.c_str()), 0);
    EXPECT_FALSE(viaLink.Claim(name));
    EXPECT_FALSE(Exists(dir.File("dangling")));
    unlink(name.c_str());

    ASSERT_EQ(link(victim.c_str(), name.c_str()), 0);
    TemporaryFile viaHardLink;
    EXPECT_FALSE(viaHardLink.Claim(name));
    unlink(name.c_str());

    ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    TemporaryFile fifo;
    EXPECT_FALSE(fifo.Claim(name));
    EXPECT_EQ(fifo.ErrorText(), "Cannot use " + name + ": it is not a regular file.\n");
    unlink(name.c_str());

    EXPECT_EQ(ReadFile(victim), (Bytes{7, 7}));
    EXPECT_EQ(Mode(victim), 0600u);

    if (geteuid() != 0) GTEST_SKIP() << "a file of another user needs root to plant";
    WriteFile(name, Bytes{5});
    ASSERT_EQ(chown(name.c_str(), 65534, 65534), 0);
    TemporaryFile foreign;
    EXPECT_FALSE(foreign.Claim(name));
    EXPECT_EQ(foreign.ErrorText(), "Cannot use " + name + ": it belongs to another user.\n");
    EXPECT_EQ(ReadFile(name), (Bytes{5}));
}

TEST(TemporaryFile, AFileReplacedUnderItsNameIsNotRemovedAsItsOwn)
{
    TempDir dir;
    TemporaryFile temporary;
    ASSERT_TRUE(temporary.Claim(dir.File("~Embrel~.wav")));
    WriteFile(dir.File("other"), Bytes{4});
    ASSERT_EQ(rename(dir.File("other").c_str(), temporary.Path().c_str()), 0);
    EXPECT_FALSE(temporary.IsIntact());
    temporary.Remove();
    EXPECT_EQ(ReadFile(dir.File("~Embrel~.wav")), (Bytes{4}));
}

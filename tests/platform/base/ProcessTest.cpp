#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/base/Win32.h"

namespace {

// Sets or clears TMPDIR for one test and puts the old value back.
class TmpDir {
public:
    explicit TmpDir(const char* value)
    {
        if (const char* old = std::getenv("TMPDIR")) saved = old, hadOld = true;
        if (value) setenv("TMPDIR", value, 1);
        else unsetenv("TMPDIR");
    }
    ~TmpDir()
    {
        if (hadOld) setenv("TMPDIR", saved.c_str(), 1);
        else unsetenv("TMPDIR");
    }

private:
    std::string saved;
    bool hadOld = false;
};

std::string TempPath()
{
    char buffer[250];
    DWORD n = GetTempPathA(sizeof buffer, buffer);
    EXPECT_EQ(n, std::strlen(buffer));
    return buffer;
}

}  // namespace

TEST(TempPath, EndsInTheSeparatorWhateverTmpdirHolds)
{
    {
        TmpDir t("/var/tmp");
        EXPECT_EQ(TempPath(), "/var/tmp/");
    }
    {
        TmpDir t("/var/tmp/");
        EXPECT_EQ(TempPath(), "/var/tmp/");
    }
    {
        TmpDir t(nullptr);
        EXPECT_EQ(TempPath(), "/tmp/");
    }
    {
        TmpDir t("");
        EXPECT_EQ(TempPath(), "/tmp/");
    }
}

TEST(TempPath, ShortBufferGetsTheNeededSizeAndIsLeftAlone)
{
    TmpDir t("/var/tmp");
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 10u);  // "/var/tmp/" and the terminator
    EXPECT_EQ(buffer[0], 'x');
    char exact[10];
    EXPECT_EQ(GetTempPathA(sizeof exact, exact), 9u);
    EXPECT_STREQ(exact, "/var/tmp/");
}

TEST(CurrentDirectory, MatchesTheProcessDirectory)
{
    char buffer[4096];
    ASSERT_GT(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    char* cwd = getcwd(nullptr, 0);
    EXPECT_STREQ(buffer, cwd);
    std::free(cwd);
}

TEST(PriorityClass, RejectsOtherProcessesAndUnknownClasses)
{
    int dummy = 0;
    EXPECT_FALSE(SetPriorityClass(&dummy, HIGH_PRIORITY_CLASS));
    EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x1234));
}

TEST(PriorityClass, HighRaisesWherePermittedAndNeverLowers)
{
    errno = 0;
    const int before = getpriority(PRIO_PROCESS, 0);
    const BOOL ok = SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    const int after = getpriority(PRIO_PROCESS, 0);
    if (ok) EXPECT_LE(after, -10);
    else EXPECT_EQ(after, before) << "a refused raise must change nothing";
    EXPECT_LE(after, before);
}

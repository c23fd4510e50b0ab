#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "WavTestFiles.h"
#include "program/audio/ResultFile.h"

using namespace wavtest;

TEST(ResultFile, RenameReplacesAnExistingDestination)
{
    TempDir dir;
    const std::string temp = dir.File("~Embrel~.wav"), dest = dir.File("out.wav");
    WriteFile(temp, Bytes{1, 2, 3});
    WriteFile(dest, Bytes{9});
    char error[512] = "";
    ASSERT_TRUE(MoveResultFile(temp.c_str(), dest.c_str(), error, sizeof error)) << error;
    EXPECT_EQ(ReadFile(dest), (Bytes{1, 2, 3}));
    struct stat st;
    EXPECT_NE(stat(temp.c_str(), &st), 0);
}

TEST(ResultFile, CopyingAcrossFileSystemsReplacesAndRemovesTheTemporary)
{
    TempDir dir;
    // The longest file name the file system allows: the copy's own name must still fit.
    const std::string temp = dir.File("~Embrel~.wav"), dest = dir.File(std::string(251, 'o') + ".wav");
    WriteFile(temp, Ramp(200000));
    WriteFile(dest, Bytes{9});
    char error[512] = "";
    ASSERT_TRUE(CopyResultFile(temp.c_str(), dest.c_str(), error, sizeof error)) << error;
    EXPECT_EQ(ReadFile(dest), Ramp(200000));
    struct stat st;
    EXPECT_NE(stat(temp.c_str(), &st), 0);
}

TEST(ResultFile, AFailedMoveKeepsTheDestinationAndNamesTheKeptResult)
{
    TempDir dir;
    const std::string temp = dir.File("~Embrel~.wav");
    WriteFile(temp, Bytes{1, 2, 3});
    const std::string dest = dir.File("missing-dir/out.wav");
    char error[512] = "";
    EXPECT_FALSE(CopyResultFile(temp.c_str(), dest.c_str(), error, sizeof error));
    EXPECT_NE(std::string(error).find("The result is kept in " + temp), std::string::npos) << error;
    EXPECT_EQ(ReadFile(temp), (Bytes{1, 2, 3}));
    EXPECT_FALSE(MoveResultFile(temp.c_str(), dest.c_str(), error, sizeof error));
    EXPECT_EQ(ReadFile(temp), (Bytes{1, 2, 3}));

    // A destination that is a directory is left as it is.
    const std::string asDir = dir.File("adir");
    mkdir(asDir.c_str(), 0755);
    EXPECT_FALSE(MoveResultFile(temp.c_str(), asDir.c_str(), error, sizeof error));
    EXPECT_EQ(ReadFile(temp), (Bytes{1, 2, 3}));
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/help/WinHelp.h"

namespace fs = std::filesystem;

namespace {

class WinHelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/winhelp-XXXXXX";
        root = mkdtemp(pattern);
        previous = SetHelpOpener([this](const std::string& url) {
            opened.push_back(url);
            return opens;
        });
    }
    void TearDown() override {
        SetHelpOpener(previous);
        fs::remove_all(root);
    }
    void Page(const fs::path& path) { std::ofstream(path) << "<html></html>"; }

    fs::path root;
    HelpOpener previous;
    std::vector<std::string> opened;
    bool opens = true;
};

TEST_F(WinHelpTest, AContextOpensItsOwnPageOrTheIndex) {
    fs::path help = root / "My Help#1" / "Embrel.hlp";
    fs::create_directories(help);
    Page(help / "index.html");
    Page(help / "2010d.html");
    std::string base = "file://" + root.string() + "/My%20Help%231/Embrel.hlp/";

    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_CONTEXT, 0x2010D), TRUE);
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_CONTEXT, 0x18008), TRUE);
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_FINDER, 0), TRUE);
    EXPECT_EQ(opened, (std::vector<std::string>{base + "2010d.html", base + "index.html",
                                                base + "index.html"}));
}

TEST_F(WinHelpTest, ASingleFileOpensAtTheTopicsAnchor) {
    fs::path help = root / "EmbrelAM.hlp";
    Page(help);
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_CONTEXT, 0x20065), TRUE);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "file://" + help.string() + "#20065");
}

TEST_F(WinHelpTest, MissingHelpUnknownCommandsAndAFailedBrowserAreFailures) {
    fs::path help = root / "Embrel.hlp";
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_CONTEXT, 1), FALSE);
    EXPECT_EQ(WinHelpA(nullptr, nullptr, HELP_CONTEXT, 1), FALSE);
    fs::create_directories(help);
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_CONTEXT, 1), FALSE);  // no index either
    Page(help / "index.html");
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), 0x7777, 1), FALSE);
    opens = false;
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_CONTEXT, 1), FALSE);
    EXPECT_EQ(WinHelpA(nullptr, help.c_str(), HELP_QUIT, 0), TRUE);
    EXPECT_EQ(opened.size(), 1u);
}

}  // namespace

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "FaultFixture.h"
#include "engine/FactoryPresets.h"

using namespace faulttest;
using wavtest::Bytes;
using wavtest::ReadFile;
using wavtest::WriteFile;

namespace {

constexpr int RunsAtOnce = 8;

// Rounds of eight runs at once; CALYRIX_FAULT_ROUNDS asks for more (100 for the full check).
int Rounds()
{
    const char* text = std::getenv("CALYRIX_FAULT_ROUNDS");
    const int rounds = text ? std::atoi(text) : 0;
    return rounds > 0 ? rounds : 3;
}

}  // namespace

// Eight runs with their own settings share one temporary directory, where another user has
// planted the old fixed temporary name as a symlink to a file of theirs: every run gives
// its own result, and the planted link's target is never written.
TEST_F(FaultTest, ConcurrentRunsSharingATemporaryDirectoryKeepTheirOwnResults)
{
    const std::string in = Demo("in.wav", "1.5");
    const std::string victim = dir.File("victim");
    WriteFile(victim, Bytes{'m', 'i', 'n', 'e'});
    chmod(victim.c_str(), 0600);
    ASSERT_EQ(symlink(victim.c_str(), (tmp + "/~Embrel~.wav").c_str()), 0);

    std::vector<Bytes> expected;
    for (int i = 0; i < RunsAtOnce; ++i) {
        const std::string out = dir.File("ref" + std::to_string(i) + ".wav");
        const Outcome o = RunTool(Batch({"--preset", FactoryPresets::Get(i)->name, "--dither", "off", in, out}), dir.path);
        ASSERT_EQ(o.status, 0) << o.err;
        expected.push_back(ReadFile(out));
    }
    for (int round = 0; round < Rounds(); ++round) {
        std::vector<std::unique_ptr<Child>> children;
        for (int i = 0; i < RunsAtOnce; ++i) {
            const std::string out = dir.File("out" + std::to_string(i) + ".wav");
            children.push_back(std::make_unique<Child>(Batch({"--preset", FactoryPresets::Get(i)->name, "--dither", "off", in, out}), dir.path,
                                                       "run" + std::to_string(i)));
        }
        for (int i = 0; i < RunsAtOnce; ++i) {
            const Outcome o = children[std::size_t(i)]->Wait();
            EXPECT_EQ(o.status, 0) << "round " << round << ", run " << i << ": " << o.err;
            EXPECT_TRUE(ReadFile(dir.File("out" + std::to_string(i) + ".wav")) == expected[std::size_t(i)])
                << "round " << round << ", run " << i;
        }
        EXPECT_TRUE(Leftovers(dir.path).empty()) << "round " << round;
    }
    EXPECT_EQ(ReadFile(victim), (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_TRUE(S_ISLNK(Lstat(tmp + "/~Embrel~.wav").st_mode));
}

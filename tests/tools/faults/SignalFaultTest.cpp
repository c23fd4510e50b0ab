#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <thread>

#include "FaultFixture.h"

using namespace faulttest;
using wavtest::Bytes;
using wavtest::ReadFile;
using wavtest::WriteFile;

// SIGTERM, SIGINT and SIGKILL at random moments of a run: OUTPUT is the old file or the
// complete new one, a stopped run leaves no temporary file, and a run after a SIGKILL
// (which may leave one) gives the right result and leaves the stray file alone.
TEST_F(FaultTest, SignalsAtRandomMomentsLeaveTheOldOutputOrTheNewOne)
{
    const std::string in = Demo("in.wav", "20");
    const std::string out = dir.File("out.wav");
    const Bytes old{'o', 'l', 'd'};
    std::mt19937 random(std::random_device{}());
    for (Launch launch : {Batch({in, out}), Graph({in, out})}) {
        SCOPED_TRACE(launch.args[0]);
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(RunTool(launch, dir.path).status, 0);
        const auto whole = std::chrono::steady_clock::now() - started;
        const Bytes result = ReadFile(out);
        std::uniform_real_distribution<double> anyMoment(0.0, 1.0);
        for (const int signal : {SIGTERM, SIGINT, SIGKILL, SIGTERM, SIGINT, SIGKILL}) {
            const double fraction = anyMoment(random);  // of one whole run's time
            SCOPED_TRACE("signal " + std::to_string(signal) + " at " + std::to_string(fraction));
            WriteFile(out, old);
            const std::vector<std::string> before = Leftovers(dir.path);
            Child child(launch, dir.path, "signalled");
            std::this_thread::sleep_for(std::chrono::duration_cast<std::chrono::microseconds>(whole * fraction));
            child.Signal(signal);
            const Outcome o = child.Wait();
            const Bytes now = ReadFile(out);
            EXPECT_TRUE(now == old || now == result) << "OUTPUT is neither the old file nor the result";
            if (signal == SIGKILL) {
                EXPECT_LE(Leftovers(dir.path).size(), before.size() + 1);
                continue;
            }
            // Before the tool has its handlers, the signal's default action ends it.
            EXPECT_TRUE(o.status == 130 || o.signal == signal || (o.status == 0 && now == result))
                << o.status << " " << o.err;
            EXPECT_EQ(Leftovers(dir.path), before);
        }
        // After whatever the kills left, a run gives its own result and leaves the strays alone.
        const std::vector<std::string> strays = Leftovers(dir.path);
        WriteFile(out, old);
        EXPECT_EQ(RunTool(launch, dir.path).status, 0);
        EXPECT_TRUE(ReadFile(out) == result);
        EXPECT_EQ(Leftovers(dir.path), strays);
        for (const std::string& stray : strays) unlink(dir.File(stray).c_str());
    }
}

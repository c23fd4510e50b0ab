#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <random>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "FaultFixture.h"
#include "tests/support/WaitUntil.h"

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

namespace {

// Whether thread tid of process pid takes signal (does not block it). Sanitizer runtimes
// keep threads of their own that block every signal.
bool TakesSignal(pid_t pid, pid_t tid, int signal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigBlk:", 0) == 0) return !(std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1);
    return false;
}

// The newest thread of process pid, other than its main thread, that takes signal; 0
// while it has none.
pid_t NewestOtherThread(pid_t pid, int signal)
{
    pid_t newest = 0;
    if (DIR* d = opendir(("/proc/" + std::to_string(pid) + "/task").c_str())) {
        while (const dirent* e = readdir(d)) {
            const pid_t tid = std::atoi(e->d_name);
            if (tid > 0 && tid != pid && tid > newest && TakesSignal(pid, tid, signal)) newest = tid;
        }
        closedir(d);
    }
    return newest;
}

}  // namespace

// The system may hand a signal to any thread of a process: a stop taken by a worker
// thread ends the run as one taken by the main thread does.
TEST_F(FaultTest, AStopTakenByAnotherThreadEndsTheRun)
{
    const std::string in = Demo("in.wav", "600");  // long enough to be caught while it runs
    const std::string out = dir.File("out.wav");
    for (Launch launch : {Batch({in, out}), Graph({in, out})}) {
        SCOPED_TRACE(launch.args[0]);
        unlink(out.c_str());
        Child child(launch, dir.path, "worker");
        pid_t worker = 0;
        // Writing its result: the handlers are in place and the run's threads are there.
        ASSERT_TRUE(WaitUntil([&] {
            worker = NewestOtherThread(child.Pid(), SIGTERM);
            return worker != 0 && !Leftovers(dir.path).empty();
        }));
        syscall(SYS_tgkill, child.Pid(), worker, SIGTERM);
        const Outcome o = child.Wait();
        EXPECT_EQ(o.status, 130) << o.err;
        EXPECT_TRUE(Leftovers(dir.path).empty());
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "no OUTPUT was made";
    }
}

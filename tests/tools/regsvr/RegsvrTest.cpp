#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/com/Automation.h"
#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"

namespace fs = std::filesystem;

namespace {

constexpr CLSID kCounter1{0x6E1C0001, 0x5A5A, 0x4C4C, {0x80, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};
constexpr CLSID kCounter2{0x6E1C0101, 0x5A5A, 0x4C4C, {0x80, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class RegsvrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("calyrix-regsvr-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        registry_ = dir_ / "registry.reg";
        ::setenv("CALYRIX_REGISTRY", registry_.c_str(), 1);
        CoInitialize(nullptr);
    }
    void TearDown() override
    {
        CoUninitialize();
        ::unsetenv("CALYRIX_REGISTRY");
        fs::remove_all(dir_);
    }

    // Starts regsvr with args; its output goes to files named after tag.
    pid_t Start(const std::vector<std::string>& args, const std::string& tag)
    {
        const std::string out = (dir_ / (tag + ".out")).string();
        const std::string err = (dir_ / (tag + ".err")).string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, 1);
            ::dup2(e, 2);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(REGSVR_PATH));
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(REGSVR_PATH, argv.data());
            ::_exit(127);
        }
        return pid;
    }
    Result Wait(pid_t pid, const std::string& tag)
    {
        Result r;
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            r.exitCode = WEXITSTATUS(status);
        r.out = ReadFile(dir_ / (tag + ".out"));
        r.err = ReadFile(dir_ / (tag + ".err"));
        return r;
    }
    Result Run(const std::vector<std::string>& args) { return Wait(Start(args, "run"), "run"); }

    static bool Registered(REFCLSID clsid)
    {
        std::string path;
        return RegGetKeyString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(clsid) + "\\InprocServer32", nullptr, &path) &&
               !path.empty();
    }

    fs::path dir_;
    fs::path registry_;
};

TEST_F(RegsvrTest, RegistersAModuleThatCanThenBeCreated)
{
    Result r = Run({COUNTER_MODULE_PATH});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("DllRegisterServer")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("0x00000000")) << r.out;

    r = Run({"--dump"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(ReadFile(registry_), r.out);
    const std::string key = "[HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(kCounter1) + "\\InprocServer32]\n@=\"" +
                            std::string(COUNTER_MODULE_PATH) + "\"\n\"ThreadingModel\"=\"Apartment\"\n";
    EXPECT_NE(std::string::npos, r.out.find(key)) << r.out;

    IDispatch* object = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(kCounter1, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)));
    object->Release();
    CLSID byName{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"CALYRIX.TestCounter.1", &byName));
    EXPECT_TRUE(byName == kCounter1);

    r = Run({"-u", COUNTER_MODULE_PATH});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("DllUnregisterServer")) << r.out;
    EXPECT_FALSE(Registered(kCounter1));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(kCounter1, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(std::string::npos, Run({"--dump"}).out.find(GuidToString(kCounter1)));
}

TEST_F(RegsvrTest, ReportsEachKindOfFailure)
{
    EXPECT_EQ(2, Run({}).exitCode);
    EXPECT_EQ(2, Run({"-x", "y"}).exitCode);
    Result r = Run({(dir_ / "nothing.so").string()});
    EXPECT_EQ(3, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("cannot load")) << r.err;
    r = Run({NO_EXPORTS_MODULE_PATH});
    EXPECT_EQ(4, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("DllRegisterServer")) << r.err;
    r = Run({"--dump"});
    EXPECT_EQ(0, r.exitCode);
    EXPECT_TRUE(r.out.empty());

    // A damaged registry makes the type library step fail, and stays as it was.
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\X]\n\"v\"=junk\n";
    std::ofstream(registry_, std::ios::binary) << damaged;
    r = Run({COUNTER_MODULE_PATH});
    EXPECT_EQ(5, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("0x80040200")) << r.err;
    r = Run({"--dump"});
    EXPECT_EQ(6, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("damaged")) << r.err;
    EXPECT_EQ(damaged, ReadFile(registry_));
}

TEST_F(RegsvrTest, TwoProcessesRegisteringAtOnceLoseNothing)
{
    for (int round = 0; round < 4; ++round) {
        const pid_t a = Start({COUNTER_MODULE_PATH}, "a");
        const pid_t b = Start({COUNTER2_MODULE_PATH}, "b");
        const Result ra = Wait(a, "a");
        const Result rb = Wait(b, "b");
        ASSERT_EQ(0, ra.exitCode) << ra.err;
        ASSERT_EQ(0, rb.exitCode) << rb.err;
        ASSERT_TRUE(Registered(kCounter1)) << "round " << round;
        ASSERT_TRUE(Registered(kCounter2)) << "round " << round;
        std::string progId;
        ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, "CALYRIX.TestCounter.2\\CLSID", nullptr, &progId));
        EXPECT_EQ(GuidToString(kCounter2), progId);

        const pid_t ua = Start({"-u", COUNTER_MODULE_PATH}, "a");
        const pid_t ub = Start({"-u", COUNTER2_MODULE_PATH}, "b");
        ASSERT_EQ(0, Wait(ua, "a").exitCode);
        ASSERT_EQ(0, Wait(ub, "b").exitCode);
        ASSERT_FALSE(Registered(kCounter1));
        ASSERT_FALSE(Registered(kCounter2));
    }
}

} // namespace

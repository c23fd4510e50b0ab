#include "platform/registry/Registry.h"
#include "platform/registry/CRegistryFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("calyrix-reg-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = (dir_ / "registry.reg").string();
        ::setenv("CALYRIX_REGISTRY", file_.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("CALYRIX_REGISTRY");
        fs::remove_all(dir_);
    }

    std::string FileText() const
    {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteFile(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }

    static void SetString(HKEY key, const char* name, const std::string& text)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>(text.size() + 1)));
    }
    static std::string GetString(HKEY key, const char* name)
    {
        char buf[512];
        DWORD size = sizeof buf;
        DWORD type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return "<missing>";
        return buf;
    }

    fs::path dir_;
    std::string file_;
};

TEST_F(RegistryTest, WritesTheExportFormatAndReadsItBack)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorel\\Calyrix\\Version 1.0", 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    SetString(key, "InFileNameCur", "C:\\sounds\\\"loud\".wav");
    SetString(key, nullptr, "two\nlines");
    const DWORD answer = 42;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "GainSlider", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&answer), 4));
    RegCloseKey(key);

    EXPECT_EQ("Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quorel]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quorel\\Calyrix]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quorel\\Calyrix\\Version 1.0]\n"
              "@=\"two\\nlines\"\n"
              "\"GainSlider\"=dword:0000002a\n"
              "\"InFileNameCur\"=\"C:\\\\sounds\\\\\\\"loud\\\".wav\"\n\n",
              FileText());

    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "software\\QUOREL\\calyrix\\version 1.0", 0, nullptr,
                                             0, KEY_READ, nullptr, &key, &disposition));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    EXPECT_EQ("C:\\sounds\\\"loud\".wav", GetString(key, "infilenamecur"));
    EXPECT_EQ("two\nlines", GetString(key, ""));
    DWORD value = 0, size = sizeof value, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "GainSlider", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(42u, value);
    // A second spelling of a value name replaces the value and keeps the first spelling.
    SetString(key, "INFILENAMECUR", "b.wav");
    EXPECT_NE(std::string::npos, FileText().find("\"InFileNameCur\"=\"b.wav\""));
    RegCloseKey(key);
}

TEST_F(RegistryTest, QueryFollowsTheBufferRules)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Thing", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    SetString(key, "Name", "abcdef");
    DWORD size = 0, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size));
    EXPECT_EQ(7u, size);
    char small[4] = {};
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size));
    EXPECT_EQ(7u, size);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Other", nullptr, nullptr, nullptr, &size));
    // A REG_SZ ends at its first zero; a dword must be four bytes; other types are refused.
    const char withZero[] = {'a', 'b', '\0', 'c'};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Z", 0, REG_SZ, reinterpret_cast<const BYTE*>(withZero), sizeof withZero));
    EXPECT_EQ("ab", GetString(key, "Z"));
    const DWORD v = 1;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "D", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 2));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "B", 0, 3, reinterpret_cast<const BYTE*>(&v), 4));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "z"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "z"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, DeletesKeysAndTreesAndReportsDeletedHandles)
{
    HKEY leaf = nullptr, top = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}", 0, KEY_ALL_ACCESS, &top));
    SetString(leaf, "ThreadingModel", "Apartment");

    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{X}"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CLASSES_ROOT, ""));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{Y}"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{X}"));
    HKEY probe = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}", 0, KEY_READ, &probe));
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &probe));
    RegCloseKey(probe);

    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(leaf, "ThreadingModel", nullptr, nullptr, nullptr, nullptr));
    const char text[] = "x";
    EXPECT_EQ(ERROR_KEY_DELETED, RegSetValueExA(leaf, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 2));
    EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKeyExA(top, "Again", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &probe, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(leaf));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(top));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(top));

    // A leaf goes with RegDeleteKeyA; RegDeleteTreeA without a subkey empties the key.
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &leaf, nullptr));
    SetString(leaf, "v", "1");
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_ALL_ACCESS, &top));
    SetString(top, "w", "2");
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(top, nullptr));
    EXPECT_EQ("<missing>", GetString(top, "w"));
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, &probe));
    RegCloseKey(probe);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(top, "C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &probe, nullptr));
    RegCloseKey(probe);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(top, "c"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(top, "c"));
    RegCloseKey(leaf);
    RegCloseKey(top);
}

TEST_F(RegistryTest, EnumeratesKeysAndValuesInOrder)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "E", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    for (const char* name : {"beta", "Alpha", "gamma"}) {
        HKEY sub = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
        RegCloseKey(sub);
    }
    SetString(key, "z", "1");
    SetString(key, nullptr, "d");
    char name[16];
    DWORD cch = sizeof name;
    std::string order;
    for (DWORD i = 0;; ++i) {
        cch = sizeof name;
        const LSTATUS rc = RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(ERROR_SUCCESS, rc);
        EXPECT_EQ(std::strlen(name), cch);
        order += name;
        order += ' ';
    }
    EXPECT_EQ("Alpha beta gamma ", order);
    cch = 3;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));

    DWORD type = 0;
    BYTE data[8];
    DWORD cb = sizeof data;
    cch = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name, &cch, nullptr, &type, data, &cb));
    EXPECT_STREQ("", name);
    EXPECT_STREQ("d", reinterpret_cast<char*>(data));
    cch = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 1, name, &cch, nullptr, &type, nullptr, nullptr));
    EXPECT_STREQ("z", name);
    cch = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(key, 2, name, &cch, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

TEST_F(RegistryTest, RefusesBadHandlesAndNames)
{
    HKEY key = nullptr;
    HKEY bogus = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(bogus, "x", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(nullptr, "x", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(HKEY_CLASSES_ROOT, "a\\\\b", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(HKEY_CLASSES_ROOT, "a\tb", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(HKEY_CLASSES_ROOT, std::string(256, 'k').c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(HKEY_CLASSES_ROOT, "a", 0, nullptr, 0, 0, nullptr, nullptr, nullptr));
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(RegistryTest, KeysNestAtMost512Deep)
{
    std::string path = "k";
    for (int i = 1; i < 512; ++i)
        path += "\\k";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr));
    HKEY deeper = nullptr;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(key, "k", 0, nullptr, 0, 0, nullptr, &deeper, nullptr));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CLASSES_ROOT, (path + "\\k").c_str(), 0, KEY_READ, &key));

    // A file with a far deeper key is damaged; reading it must not recurse off the stack.
    std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT";
    for (int i = 0; i < 100000; ++i)
        deep += "\\k";
    deep += "]\n";
    WriteFile(deep);
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyExA(HKEY_CLASSES_ROOT, "k", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_BADDB, RegCreateKeyExA(HKEY_CLASSES_ROOT, "b", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(deep, FileText());
}

TEST_F(RegistryTest, DamagedFileIsReportedAndNeverOverwritten)
{
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=hex:01,02\n";
    for (const std::string& text : {damaged, std::string("garbage\n"), std::string("Windows Registry Editor Version 5.00\n\"v\"=\"before any key\"\n"),
                                    std::string("Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=\"unterminated\n")}) {
        WriteFile(text);
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_BADDB, RegOpenKeyExA(HKEY_CLASSES_ROOT, "A", 0, KEY_READ, &key)) << text;
        EXPECT_EQ(ERROR_BADDB, RegCreateKeyExA(HKEY_CLASSES_ROOT, "B", 0, nullptr, 0, 0, nullptr, &key, nullptr)) << text;
        EXPECT_EQ(ERROR_BADDB, RegDeleteTreeA(HKEY_CLASSES_ROOT, "A")) << text;
        std::string dump, reason;
        EXPECT_EQ(ERROR_BADDB, RegExportText(&dump, &reason));
        EXPECT_NE(std::string::npos, reason.find("line ")) << reason;
        EXPECT_EQ(text, FileText());
    }
    // Blank and comment-only files are an empty registry, and get written normally.
    WriteFile("\n; nothing yet\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "B", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    RegCloseKey(key);
    EXPECT_EQ("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\B]\n\n", FileText());
}

TEST_F(RegistryTest, ReadOnlyOrUnwritableFileIsReportedAndLeftAlone)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Kept", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    RegCloseKey(key);
    const std::string before = FileText();
    fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_CLASSES_ROOT, "New", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteTreeA(HKEY_CLASSES_ROOT, "Kept"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find(file_ + " is read-only")) << err;
    EXPECT_EQ(before, FileText());
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "Kept", 0, KEY_READ, &key));
    RegCloseKey(key);

    // A location that cannot hold a file: the reason is given.
    const std::string blocked = file_ + "/registry.reg";
    ::setenv("CALYRIX_REGISTRY", blocked.c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_CANTREAD, RegCreateKeyExA(HKEY_CLASSES_ROOT, "New", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_NE(std::string::npos, ::testing::internal::GetCapturedStderr().find("Not a directory"));
    EXPECT_EQ(before, FileText());
}

TEST_F(RegistryTest, LocationComesFromTheEnvironment)
{
    EXPECT_EQ(file_, RegGetFilePath());
    ::unsetenv("CALYRIX_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    EXPECT_EQ((dir_ / "calyrix/registry.reg").string(), RegGetFilePath());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    RegCloseKey(key);
    EXPECT_TRUE(fs::exists(dir_ / "calyrix/registry.reg"));
    ::unsetenv("XDG_CONFIG_HOME");

    // Without HOME the user database names the home directory.
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    ::unsetenv("HOME");
    const passwd* pw = ::getpwuid(::getuid());
    ASSERT_NE(nullptr, pw);
    EXPECT_EQ(std::string(pw->pw_dir) + "/.config/calyrix/registry.reg", RegGetFilePath());
    if (home != nullptr)
        ::setenv("HOME", savedHome.c_str(), 1);
}

// Writers in several processes and threads at once: every key and value arrives.
TEST_F(RegistryTest, ConcurrentWritersLoseNothing)
{
    constexpr int kProcesses = 4;
    constexpr int kThreads = 2;
    constexpr int kKeys = 15;
    auto writer = [](int who) {
        for (int i = 0; i < kKeys; ++i) {
            const std::string path = "CLSID\\{W" + std::to_string(who) + "-" + std::to_string(i) + "}\\InprocServer32";
            HKEY key = nullptr;
            if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
                return false;
            const DWORD v = static_cast<DWORD>(who * 1000 + i);
            const bool ok = RegSetValueExA(key, "N", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4) == ERROR_SUCCESS;
            RegCloseKey(key);
            if (!ok)
                return false;
        }
        return true;
    };
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            ::_exit(writer(p) ? 0 : 1);
        children.push_back(pid);
    }
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] { failures += writer(kProcesses + t) ? 0 : 1; });
    for (auto& t : threads)
        t.join();
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(0, failures.load());
    for (int who = 0; who < kProcesses + kThreads; ++who)
        for (int i = 0; i < kKeys; ++i) {
            const std::string path = "CLSID\\{W" + std::to_string(who) + "-" + std::to_string(i) + "}\\InprocServer32";
            HKEY key = nullptr;
            ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key)) << path;
            DWORD v = 0, cb = 4;
            EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "N", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb));
            EXPECT_EQ(static_cast<DWORD>(who * 1000 + i), v);
            RegCloseKey(key);
        }
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp.")) << "left over " << entry.path();
}

} // namespace

TEST_F(RegistryTest, AChangeKeepsTheFilesModeAndWritesThroughASymbolicLink)
{
    fs::create_directories(dir_ / "real");
    const std::string target = (dir_ / "real/registry.reg").string();
    std::ofstream(target) << "";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, file_);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Linked", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    RegCloseKey(key);
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_NE(std::string::npos, FileText().find("Linked"));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    for (const auto& entry : fs::directory_iterator(dir_ / "real"))
        EXPECT_EQ(entry.path().filename().string().rfind(".~Embrel~", 0), std::string::npos) << entry.path();
}

TEST_F(RegistryTest, AChangeWaitsForAnotherProcesssLockSaysSoAndGivesUp)
{
    const std::string lockPath = file_ + ".lock";
    const int held = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(0, ::flock(held, LOCK_EX));
    CRegistryFile::SetLockTimeout(1500);
    ::testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_CANTWRITE, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Waited", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("registry: waiting for " + lockPath + ", which another process holds\n"))
        << err;
    EXPECT_NE(std::string::npos, err.find(lockPath + " is still held by another process")) << err;

    // Freed while it waits: the change goes through.
    std::thread release([held] {
        ::usleep(300 * 1000);
        ::close(held);
    });
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Waited", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    RegCloseKey(key);
    release.join();
    CRegistryFile::SetLockTimeout(30000);
}

#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"

// A registry file of the test's own, and the fader module registered in it.
class TestRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tarvel-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        registry_ = dir_ + "/registry.reg";
        setenv("CALYRIX_REGISTRY", registry_.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs regsvr with args; its exit status, and its output in *out.
    static int RunRegsvr(const std::string& args, std::string* out = nullptr)
    {
        const std::string cmd = std::string(TARVEL_REGSVR) + " " + args + " 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        if (p == nullptr) return -1;
        std::string text;
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
        const int status = pclose(p);
        if (out) *out = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool HasKey(const std::string& key)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
        RegCloseKey(h);
        return true;
    }

    static std::string Value(const std::string& key, const char* name = nullptr)
    {
        std::string v;
        return RegGetKeyString(HKEY_CLASSES_ROOT, key, name, &v) ? v : "<missing>";
    }

    std::string dir_;
    std::string registry_;
};

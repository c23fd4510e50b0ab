#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <dlfcn.h>
#include <string>

#include "filter/FilterIds.h"
#include "filter/framework/CFilterMapper.h"
#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/VersionRecord.h"
#include "platform/registry/Registry.h"
#include "tests/filter/FilterTestSupport.h"

namespace {

std::string RegistryText()
{
    std::string text, reason;
    EXPECT_EQ(RegExportText(&text, &reason), ERROR_SUCCESS) << reason;
    return text;
}

// The module's exports, loaded under its designed file name.
struct LoadedModule {
    void* handle = dlopen(EMBREL_MODULE, RTLD_NOW | RTLD_LOCAL);
    ~LoadedModule()
    {
        if (handle != nullptr)
            dlclose(handle);
    }
    HRESULT Call(const char* name)
    {
        auto function = reinterpret_cast<HRESULT (*)()>(dlsym(handle, name));
        return function != nullptr ? function() : E_FAIL;
    }
};

std::string RunCommand(const std::string& command, int* status)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    *status = pipe != nullptr ? pclose(pipe) : -1;
    return out;
}

const char* kOtherClass = "CLSID\\{0F0F0F0F-1111-2222-3333-444455556666}";

} // namespace

TEST(ModuleRegistration, RegisteringAndUnregisteringTwiceLeavesTheRegistryAsItWas)
{
    ScopedRegistry registry;
    CoInitialize(nullptr);
    ASSERT_EQ(RegSetKeyString(HKEY_CLASSES_ROOT, kOtherClass, nullptr, "Another class"), S_OK);
    ASSERT_EQ(RegSetKeyString(HKEY_CLASSES_ROOT, "Filter\\{0F0F0F0F-1111-2222-3333-444455556666}", nullptr, "Other"),
              S_OK);
    const std::string before = RegistryText();
    LoadedModule module;
    ASSERT_NE(module.handle, nullptr) << dlerror();

    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(module.Call("DllRegisterServer"), S_OK);
        std::string text;
        const std::string filterKey = "CLSID\\{5BA39981-8430-11D1-9FD4-444553540000}";
        const std::string pageKey = "CLSID\\{5BA39980-8430-11D1-9FD4-444553540000}";
        ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, filterKey, nullptr, &text));
        EXPECT_EQ(text, "Calyrix by Quorel");
        ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, pageKey, nullptr, &text));
        EXPECT_EQ(text, "Calyrix by Quorel Property Page");
        for (const std::string& key : {filterKey, pageKey}) {
            ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, &text));
            EXPECT_TRUE(text.ends_with("/Embrel.ax")) << text;
            ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", &text));
            EXPECT_EQ(text, "Both");
        }
        std::vector<CFilterMapper::FilterRecord> filters;
        ASSERT_EQ(CFilterMapper::ListFilters(&filters), S_OK);
        ASSERT_EQ(filters.size(), 2u);
        const auto& filter = filters[0].clsid == CLSID_SaturationFilter ? filters[0] : filters[1];
        EXPECT_EQ(filter.name, L"Calyrix by Quorel");
        EXPECT_EQ(filter.merit, 0x00200000u);
        EXPECT_EQ(filter.pins.size(), 2u);
    }
    // A host creates the page through the registry.
    void* page = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_SaturationPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, &page), S_OK);
    static_cast<IUnknown*>(page)->Release();

    EXPECT_EQ(module.Call("DllUnregisterServer"), S_OK);
    EXPECT_EQ(module.Call("DllUnregisterServer"), S_OK);
    EXPECT_EQ(RegistryText(), before);
    CoUninitialize();
}

TEST(ModuleRegistration, RegsvrPrintsTheVersionRecord)
{
    int status = -1;
    const std::string info = RunCommand(std::string(REGSVR_PATH) + " --info " + EMBREL_MODULE, &status);
    EXPECT_EQ(status, 0);
    for (const char* line : {"FILEVERSION: 1.0.0.3\n", "PRODUCTVERSION: 1.0.0.3\n", "FILETYPE: DLL\n",
                             "CompanyName: Quorel\n", "FileDescription: Calyrix DirectX Audio Plug-In\n",
                             "FileVersion: 1.01\n", "InternalName: Embrel\n", "OriginalFilename: Embrel.ax\n",
                             "ProductName: Calyrix\n", "ProductVersion: 1.01\n", "OLESelfRegister: AM10\n",
                             "ActiveMovie: Filter dll\n"})
        EXPECT_NE(info.find(line), std::string::npos) << line << info;
#ifdef TARVEL_MODULE
    const std::string tarvel = RunCommand(std::string(REGSVR_PATH) + " --info " + TARVEL_MODULE, &status);
    EXPECT_EQ(status, 0);
    for (const char* line : {"FILEVERSION: 1.0.0.1\n", "FileDescription: Tarvel ActiveX Control Module\n",
                             "InternalName: TARVEL\n", "OriginalFilename: TARVEL.OCX\n", "OLESelfRegister: \n"})
        EXPECT_NE(tarvel.find(line), std::string::npos) << line << tarvel;
#endif
    RunCommand(std::string(REGSVR_PATH) + " --info /nonexistent/Embrel.ax 2>/dev/null", &status);
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST(ModuleRegistration, VersionTablesMustEndInsideTheRecord)
{
    VersionRecord record{"CLXVER1", {1, 2, 3, 4}, {1, 2, 3, 4}, VFT_DLL, "A\0b\0C\0d\0"};
    std::vector<std::pair<std::string, std::string>> strings;
    ASSERT_TRUE(ReadVersionStrings(record, &strings));
    ASSERT_EQ(strings.size(), 2u);
    EXPECT_EQ(strings[1].first, "C");
    EXPECT_EQ(strings[1].second, "d");
    EXPECT_EQ(VersionText(record.fileVersion), "1.2.3.4");

    std::memset(record.strings, 'x', sizeof record.strings);  // no terminator anywhere
    EXPECT_FALSE(ReadVersionStrings(record, &strings));
    std::memcpy(record.strings + sizeof record.strings - 4, "ab\0c", 4);  // a name without a value
    EXPECT_FALSE(ReadVersionStrings(record, &strings));
    record.signature[0] = 'X';
    record.strings[0] = '\0';
    EXPECT_FALSE(ReadVersionStrings(record, &strings));
}

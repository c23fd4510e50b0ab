// A registry file made of the input, at $CALYRIX_REGISTRY. A file that loads must be
// written back as text that loads to the same content, and a change must keep all of it;
// a damaged file must be refused by a change and left byte for byte as it was.

#include <cstdlib>

#include "platform/registry/CRegistryFile.h"
#include "platform/registry/Registry.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

// Reads names and values of one key through the calls, with buffers too small and right.
void EnumerateKey(HKEY key)
{
    char name[300];
    BYTE data[64];
    for (DWORD i = 0; i < 4; ++i) {
        DWORD cch = sizeof name;
        if (RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        FUZZ_CHECK(cch < sizeof name);
    }
    for (DWORD i = 0; i < 4; ++i) {
        DWORD cch = sizeof name, type = 0, cb = 1;
        const LSTATUS rc = RegEnumValueA(key, i, name, &cch, nullptr, &type, data, &cb);
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
            break;
        cb = sizeof data;
        if (RegQueryValueExA(key, name, nullptr, &type, data, &cb) == ERROR_SUCCESS)
            FUZZ_CHECK(cb <= sizeof data);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = FuzzInputPath("registry");
    static const bool once = [&] {
        setenv("CALYRIX_REGISTRY", path.c_str(), 1);
        std::atexit([] { unlink((FuzzInputPath("registry") + ".lock").c_str()); });
        return true;
    }();
    (void)once;
    WriteFuzzInput(path, data, size);
    const std::string input(reinterpret_cast<const char*>(data), size);

    CRegistryTree tree;
    std::string reason;
    const LONG loaded = CRegistryFile::Load(tree, &reason);
    if (loaded == ERROR_SUCCESS) {
        const std::string text = tree.Serialize();
        CRegistryTree again;
        FUZZ_CHECK(again.Parse(text, nullptr));
        FUZZ_CHECK(again.Serialize() == text);
        EnumerateKey(HKEY_CLASSES_ROOT);
    } else {
        FUZZ_CHECK(loaded == ERROR_BADDB && !reason.empty());
    }

    const DWORD probe = 0x2A;
    HKEY key = nullptr;
    LSTATUS rc = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExA(key, "Probe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&probe), 4);
        RegCloseKey(key);
    }
    if (loaded != ERROR_SUCCESS) {
        FUZZ_CHECK(rc == ERROR_BADDB);
        FUZZ_CHECK(ReadFuzzFile(path) == input);
        return 0;
    }
    FUZZ_CHECK(rc == ERROR_SUCCESS);
    // The file now holds what it held, and the probe.
    CRegistryTree::Key& fuzzKey = tree.Create(CRegistryTree::CurrentUser, {"Software", "Fuzz"}, nullptr);
    CRegistryTree::Value value;
    if (auto it = fuzzKey.values.find("Probe"); it != fuzzKey.values.end())
        value.name = it->second.name;
    else
        value.name = "Probe";
    value.type = REG_DWORD;
    value.number = probe;
    fuzzKey.values[value.name] = value;
    FUZZ_CHECK(ReadFuzzFile(path) == tree.Serialize());
    return 0;
}

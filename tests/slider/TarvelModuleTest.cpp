#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QSpinBox>
#include <QWidget>

#include <fstream>
#include <sstream>

#include "platform/com/Guid.h"
#include "slider/IControlWindow.h"
#include "slider/IPageWindow.h"
#include "slider/TarvelTypeLib.h"
#include "tests/slider/TestRegistry.h"

namespace {

const std::string kModule = TARVEL_MODULE;
const std::string kClsid = "CLSID\\" + GuidToString(CLSID_Tarvel);
const std::string kPageClsid = "CLSID\\" + GuidToString(CLSID_TarvelPropPage);
const std::string kTypeLib = "TypeLib\\" + GuidToString(LIBID_TARVELLib) + "\\1.0";

class TarvelRegistration : public TestRegistry {};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(TarvelRegistration, RegsvrRegistersAndUnregistersTheModule)
{
    std::string out;
    ASSERT_EQ(RunRegsvr(kModule, &out), 0) << out;
    EXPECT_NE(out.find("0x00000000"), std::string::npos) << out;

    char real[PATH_MAX];
    ASSERT_NE(realpath(kModule.c_str(), real), nullptr);
    EXPECT_EQ(Value(kClsid), "Tarvel Control");
    EXPECT_EQ(Value(kClsid + "\\InprocServer32"), real);
    EXPECT_EQ(Value(kClsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(kClsid + "\\ProgID"), "TARVEL.TarvelCtrl.1");
    EXPECT_TRUE(HasKey(kClsid + "\\Control"));
    EXPECT_EQ(Value(kClsid + "\\MiscStatus\\1"), "131473");
    EXPECT_EQ(Value(kClsid + "\\ToolboxBitmap32"), std::string(real) + ", 1");
    EXPECT_EQ(Value(kClsid + "\\TypeLib"), "{87355F83-2DA9-11D1-9FD4-444553540000}");
    EXPECT_EQ(Value(kClsid + "\\Version"), "1.0");
    EXPECT_EQ(Value("TARVEL.TarvelCtrl.1\\CLSID"), "{00563CA7-2110-11D1-A856-444553540000}");
    EXPECT_EQ(Value(kPageClsid), "Tarvel Property Page");
    EXPECT_TRUE(HasKey(kTypeLib));

    // Registering again changes nothing.
    const std::string once = ReadFile(registry_);
    ASSERT_EQ(RunRegsvr(kModule), 0);
    EXPECT_EQ(ReadFile(registry_), once);

    ASSERT_EQ(RunRegsvr("-u " + kModule, &out), 0) << out;
    EXPECT_FALSE(HasKey(kClsid));
    EXPECT_FALSE(HasKey(kPageClsid));
    EXPECT_FALSE(HasKey("TARVEL.TarvelCtrl.1"));
    EXPECT_FALSE(HasKey(kTypeLib));
}

TEST_F(TarvelRegistration, TypeLibraryFailureRegistersNoClass)
{
    // A damaged registry file refuses every write; the type library is the first step.
    const std::string damaged = "this is not a registry export\n[HKEY_CLASSES_ROOT\\x\n";
    std::ofstream(registry_) << damaged;
    std::string out;
    EXPECT_NE(RunRegsvr(kModule, &out), 0);
    EXPECT_NE(out.find("0x80040200"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(registry_), damaged);
}

TEST_F(TarvelRegistration, CreatesTheControlAndPageByClsidAndProgId)
{
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IUnknown* unk = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Tarvel, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&unk)),
              REGDB_E_CLASSNOTREG);

    ASSERT_EQ(RunRegsvr(kModule), 0);
    CLSID byProgId{};
    ASSERT_EQ(CLSIDFromProgID(L"TARVEL.TarvelCtrl.1", &byProgId), S_OK);
    EXPECT_EQ(byProgId, CLSID_Tarvel);

    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(byProgId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    void* p = nullptr;
    EXPECT_EQ(control->QueryInterface(DIID__DTarvel, &p), S_OK);
    static_cast<IUnknown*>(p)->Release();
    EXPECT_EQ(control->QueryInterface(IID_IControlWindow, &p), S_OK);
    static_cast<IUnknown*>(p)->Release();
    ASSERT_EQ(control->QueryInterface(IID_ISpecifyPropertyPages, &p), S_OK);
    auto* pages = static_cast<ISpecifyPropertyPages*>(p);
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_EQ(list.pElems[0], CLSID_TarvelPropPage);
    CoTaskMemFree(list.pElems);
    pages->Release();

    IUnknown* page = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TarvelPropPage, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&page)),
              S_OK);
    EXPECT_EQ(page->QueryInterface(IID_IPageWindow, &p), S_OK);
    static_cast<IUnknown*>(p)->Release();
    page->Release();
    control->Release();
    CoUninitialize();
}

TEST_F(TarvelRegistration, ModuleCanBeUnloadedAndLoadedAgainWithItsWindow)
{
    ASSERT_EQ(RunRegsvr(kModule), 0);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        IUnknown* control = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_Tarvel, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(&control)),
                  S_OK);
        void* p = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IControlWindow, &p), S_OK);
        auto* window = static_cast<IControlWindow*>(p);
        QWidget parent;
        QWidget* w = nullptr;
        ASSERT_EQ(window->CreateControlWindow(&parent, 0, 0, 37, 204, 1004, &w), S_OK);
        const QImage img = w->grab().toImage();
        EXPECT_EQ(img.size(), QSize(37, 204));
        EXPECT_LT(qGray(img.pixel(0, 10)), 40);  // the track was drawn from the module's images
        window->Release();
        control->Release();
        CoFreeUnusedLibrariesEx(0, 0);
    }
    CoUninitialize();
}

TEST_F(TarvelRegistration, ModuleStaysLoadedWhileObjectsLive)
{
    void* lib = dlopen(kModule.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto getClass = reinterpret_cast<PFN_DllGetClassObject>(dlsym(lib, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(lib, "DllCanUnloadNow"));
    ASSERT_TRUE(getClass && canUnload);
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClass(CLSID_Tarvel, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    const GUID other{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    void* none = nullptr;
    EXPECT_EQ(getClass(other, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);
    IUnknown* obj = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&obj)), S_OK);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE);
    obj->Release();
    EXPECT_EQ(canUnload(), S_OK);
    dlclose(lib);
}

TEST_F(TarvelRegistration, ConcurrentWritersLoseNothing)
{
    // A second process writes its own keys while regsvr registers the module twice.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failures = 0;
        for (int i = 0; i < 40; ++i)
            if (FAILED(RegSetKeyString(HKEY_CURRENT_USER, "Software\\Concurrent\\" + std::to_string(i), nullptr, "v")))
                ++failures;
        _exit(failures);
    }
    const std::string r = std::string(TARVEL_REGSVR) + " " + kModule + " >/dev/null 2>&1";
    const std::string both = "(" + r + "; echo a=$?) & (" + r + "; echo b=$?) & wait";
    std::string out;
    FILE* p = popen(both.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    pclose(p);
    EXPECT_NE(out.find("a=0"), std::string::npos) << out;
    EXPECT_NE(out.find("b=0"), std::string::npos) << out;
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int i = 0; i < 40; ++i) {
        std::string v;
        EXPECT_TRUE(RegGetKeyString(HKEY_CURRENT_USER, "Software\\Concurrent\\" + std::to_string(i), nullptr, &v)) << i;
    }
    EXPECT_EQ(Value(kClsid), "Tarvel Control");
    EXPECT_TRUE(HasKey(kTypeLib));
}

}  // namespace

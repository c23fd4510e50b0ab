#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/Guid.h"
#include "tests/platform/com/TestCounterIds.h"

namespace fs = std::filesystem;

namespace {

// A plain test sink for the Counter's events.
class EventSink final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || (answersEventIid && IsEqualIID(riid, IID_DCounterEvents))) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override
    {
        EXPECT_EQ(DISPATCH_METHOD, flags);
        EXPECT_EQ(kEventChanged, id);
        if (params->cArgs == 1 && params->rgvarg[0].vt == VT_I4)
            received.push_back(params->rgvarg[0].lVal);
        if (unadviseOnEvent != nullptr)
            unadviseOnEvent->Unadvise(cookie);
        return S_OK;
    }

    ULONG refs = 0;
    bool answersEventIid = true;
    std::vector<LONG> received;
    IConnectionPoint* unadviseOnEvent = nullptr;
    DWORD cookie = 0;
};

// An outer object that aggregates a Counter.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner != nullptr ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    IUnknown* inner = nullptr;
    ULONG refs = 1;
};

VARIANT Long(LONG v)
{
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

class ComTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("calyrix-com-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ::setenv("CALYRIX_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
    }
    void TearDown() override
    {
        CoUninitialize();
        ::unsetenv("CALYRIX_REGISTRY");
        fs::remove_all(dir_);
    }

    static HRESULT CallExport(const char* name)
    {
        void* module = ::dlopen(COUNTER_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr)
            return E_FAIL;
        auto fn = reinterpret_cast<HRESULT (*)()>(::dlsym(module, name));
        const HRESULT hr = fn != nullptr ? fn() : E_FAIL;
        ::dlclose(module);
        return hr;
    }

    static bool ModuleLoaded()
    {
        void* h = ::dlopen(COUNTER_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
        if (h != nullptr)
            ::dlclose(h);
        return h != nullptr;
    }

    IDispatch* CreateCounter()
    {
        IDispatch* counter = nullptr;
        EXPECT_EQ(S_OK, CallExport("DllRegisterServer"));
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                         reinterpret_cast<void**>(&counter)));
        return counter;
    }

    fs::path dir_;
};

TEST(GuidText, RoundTripsAndRejectsMalformedText)
{
    const GUID control{0x00563CA7, 0x2110, 0x11D1, {0xA8, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
    EXPECT_EQ("{00563CA7-2110-11D1-A856-444553540000}", GuidToString(control));
    GUID parsed{};
    ASSERT_EQ(S_OK, CLSIDFromString(L"{00563ca7-2110-11d1-a856-444553540000}", &parsed));
    EXPECT_TRUE(parsed == control);
    OLECHAR text[39];
    EXPECT_EQ(39, StringFromGUID2(control, text, 39));
    EXPECT_STREQ(L"{00563CA7-2110-11D1-A856-444553540000}", text);
    EXPECT_EQ(0, StringFromGUID2(control, text, 38));
    for (const OLECHAR* bad : {L"", L"00563CA7-2110-11D1-A856-444553540000", L"{00563CA7-2110-11D1-A856-444553540000",
                               L"{00563CA7-2110-11D1-A856-444553540000}x", L"{00563CA7-2110-11D1-A856-44455354000G}",
                               L"{00563CA72-110-11D1-A856-444553540000}"})
        EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(bad, &parsed)) << OleToUtf8(bad);
    EXPECT_EQ(CO_E_IIDSTRING, IIDFromString(L"{bad}", &parsed));
    EXPECT_EQ(E_INVALIDARG, CLSIDFromString(nullptr, &parsed));
    EXPECT_FALSE(GuidFromString("{00563CA7-2110-11D1-A856-44455354000}", &parsed));
}

TEST(Variants, ConvertCopyAndClear)
{
    BSTR text = SysAllocString(L"-42");
    EXPECT_EQ(3u, SysStringLen(text));
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text;
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &v));
    EXPECT_NE(copy.bstrVal, v.bstrVal);
    ASSERT_EQ(S_OK, VariantChangeType(&v, &v, 0, VT_I4));
    EXPECT_EQ(VT_I4, v.vt);
    EXPECT_EQ(-42, v.lVal);
    EXPECT_STREQ(L"-42", copy.bstrVal);
    VariantClear(&copy);
    EXPECT_EQ(VT_EMPTY, copy.vt);

    VARIANT big;
    VariantInit(&big);
    big.vt = VT_R8;
    big.dblVal = 3e9;
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&v, &big, 0, VT_I4));
    big.dblVal = std::nan("");
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&v, &big, 0, VT_I4));
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&v, &big, 0, VT_I2));
    big.dblVal = -7.9;
    ASSERT_EQ(S_OK, VariantChangeType(&v, &big, 0, VT_I4));
    EXPECT_EQ(-7, v.lVal); // toward zero
    BSTR junk = SysAllocString(L"12abc");
    VARIANT j;
    VariantInit(&j);
    j.vt = VT_BSTR;
    j.bstrVal = junk;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&v, &j, 0, VT_I4));
    VariantClear(&j);
    LONG target = 5;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &target;
    ASSERT_EQ(S_OK, VariantChangeType(&v, &ref, 0, VT_BSTR));
    EXPECT_STREQ(L"5", v.bstrVal);
    VariantClear(&v);
}

TEST_F(ComTest, CreationNeedsInitialisationAndARegisteredModule)
{
    IUnknown* object = nullptr;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                    reinterpret_cast<void**>(&object)));
    std::thread other([&] {
        IUnknown* o = nullptr;
        EXPECT_EQ(CO_E_NOTINITIALIZED, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                        reinterpret_cast<void**>(&o)));
    });
    other.join();

    const std::string key = "CLSID\\" + GuidToString(CLSID_Counter) + "\\InprocServer32";
    ASSERT_EQ(S_OK, RegSetKeyString(HKEY_CLASSES_ROOT, key, nullptr, (dir_ / "missing.so").string()));
    EXPECT_EQ(CO_E_DLLNOTFOUND, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                 reinterpret_cast<void**>(&object)));
    ASSERT_EQ(S_OK, RegSetKeyString(HKEY_CLASSES_ROOT, key, nullptr, NO_EXPORTS_MODULE_PATH));
    EXPECT_EQ(CO_E_ERRORINDLL, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
}

TEST_F(ComTest, CreatesByClassAndProgIdAndUnloadsWhenUnused)
{
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
    ASSERT_FALSE(ModuleLoaded());
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(Utf8ToOle(kCounterProgId).c_str(), &clsid));
    EXPECT_TRUE(clsid == CLSID_Counter);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(L"CALYRIX.Nothing.1", &clsid));
    LPOLESTR progId = nullptr;
    ASSERT_EQ(S_OK, ProgIDFromCLSID(CLSID_Counter, &progId));
    EXPECT_EQ(kCounterProgId, OleToUtf8(progId));
    CoTaskMemFree(progId);

    IDispatch* a = nullptr;
    IDispatch* b = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&a)));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_DCounter, reinterpret_cast<void**>(&b)));
    EXPECT_NE(a, b);
    IUnknown* none = nullptr;
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_ITypeLib, reinterpret_cast<void**>(&none)));
    EXPECT_TRUE(ModuleLoaded());

    a->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_TRUE(ModuleLoaded()) << "an object is still alive";
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_Counter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)));
    b->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_TRUE(ModuleLoaded()) << "the class factory is still held";
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ModuleLoaded()) << "the default sweep waits before unloading";
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_FALSE(ModuleLoaded());

    ASSERT_EQ(S_OK, CallExport("DllUnregisterServer"));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&a)));
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(Utf8ToOle(kCounterProgId).c_str(), &clsid));
}

// An unmatched LockServer(FALSE) must not release what a factory reference holds.
TEST_F(ComTest, ServerLocksCountOnlyWhatWasLocked)
{
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_Counter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(E_UNEXPECTED, factory->LockServer(FALSE));
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_TRUE(ModuleLoaded()) << "the factory reference still holds the module";

    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_TRUE(ModuleLoaded()) << "one server lock is left";

    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_Counter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(E_UNEXPECTED, factory->LockServer(FALSE));
    factory->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_FALSE(ModuleLoaded());
    ASSERT_EQ(S_OK, CallExport("DllUnregisterServer"));
}

// Objects made and dropped on several threads while another sweeps for unused modules.
TEST_F(ComTest, CreationRacesWithUnloading)
{
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    auto worker = [&] {
        CoInitialize(nullptr);
        for (int i = 0; i < 60; ++i) {
            IDispatch* object = nullptr;
            if (CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                 reinterpret_cast<void**>(&object)) != S_OK) {
                ++failures;
                continue;
            }
            VARIANT amount = Long(1);
            DISPPARAMS add{&amount, nullptr, 1, 0};
            if (object->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_METHOD, &add, nullptr, nullptr, nullptr) != S_OK)
                ++failures;
            object->Release();
        }
        CoUninitialize();
    };
    std::thread sweeper([&] {
        while (!stop)
            CoFreeUnusedLibraries();
    });
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    stop = true;
    sweeper.join();
    EXPECT_EQ(0, failures.load());
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_FALSE(ModuleLoaded());
}

TEST_F(ComTest, DispatchChecksCallsAgainstTheTable)
{
    IDispatch* counter = CreateCounter();
    ASSERT_NE(nullptr, counter);
    VARIANT arg = Long(7);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{&arg, &putId, 1, 1};
    ASSERT_EQ(S_OK, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(7, result.lVal);

    // A short argument converts to the declared long.
    VARIANT small;
    VariantInit(&small);
    small.vt = VT_I2;
    small.iVal = 3;
    DISPPARAMS add{&small, nullptr, 1, 0};
    ASSERT_EQ(S_OK, counter->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_METHOD, &add, nullptr, nullptr, nullptr));

    // By-reference longs are written through; arguments arrive last first.
    LONG low = 0, high = 0;
    VARIANT both[2];
    VariantInit(&both[0]);
    VariantInit(&both[1]);
    both[1].vt = VT_I4 | VT_BYREF;
    both[1].plVal = &low;
    both[0].vt = VT_I4 | VT_BYREF;
    both[0].plVal = &high;
    DISPPARAMS getBoth{both, nullptr, 2, 0};
    ASSERT_EQ(S_OK, counter->Invoke(kDispGetBoth, IID_NULL, 0, DISPATCH_METHOD, &getBoth, nullptr, nullptr, nullptr));
    EXPECT_EQ(9, low);
    EXPECT_EQ(11, high);

    // A by-value long where a reference is declared is refused, naming the argument.
    VARIANT wrong[2] = {Long(1), both[1]};
    DISPPARAMS badBoth{wrong, nullptr, 2, 0};
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, counter->Invoke(kDispGetBoth, IID_NULL, 0, DISPATCH_METHOD, &badBoth, nullptr, nullptr, &argErr));
    EXPECT_EQ(0u, argErr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, counter->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, counter->Invoke(42, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, counter->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_PROPERTYGET, &add, nullptr, nullptr, nullptr));
    DISPPARAMS putUnnamed{&arg, nullptr, 1, 0};
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &putUnnamed, nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_NONAMEDARGS, counter->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_METHOD, &put, nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, counter->Invoke(kDispValue, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr));
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"not a number");
    DISPPARAMS putText{&text, &putId, 1, 1};
    EXPECT_EQ(DISP_E_TYPEMISMATCH, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &putText, nullptr, nullptr, &argErr));
    DISPPARAMS nameLength{&text, nullptr, 1, 0};
    VariantInit(&result);
    ASSERT_EQ(S_OK, counter->Invoke(kDispNameLength, IID_NULL, 0, DISPATCH_METHOD, &nameLength, &result, nullptr, nullptr));
    EXPECT_EQ(12, result.lVal);
    VariantClear(&text);
    VariantInit(&result);
    ASSERT_EQ(S_OK, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(10, result.lVal) << "failed calls change nothing";

    OLECHAR name0[] = L"getboth";
    OLECHAR name1[] = L"HIGH";
    OLECHAR name2[] = L"middle";
    LPOLESTR names[] = {name0, name1, name2};
    DISPID ids[3];
    EXPECT_EQ(DISP_E_UNKNOWNNAME, counter->GetIDsOfNames(IID_NULL, names, 3, 0, ids));
    EXPECT_EQ(kDispGetBoth, ids[0]);
    EXPECT_EQ(1, ids[1]);
    EXPECT_EQ(DISPID_UNKNOWN, ids[2]);
    counter->Release();
}

TEST_F(ComTest, EventsReachSinksSynchronously)
{
    IDispatch* counter = CreateCounter();
    ASSERT_NE(nullptr, counter);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(S_OK, counter->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
    IConnectionPoint* point = nullptr;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_DCounter, &point));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_DCounterEvents, &point));
    IConnectionPointContainer* back = nullptr;
    ASSERT_EQ(S_OK, point->GetConnectionPointContainer(&back));
    EXPECT_EQ(container, back);
    back->Release();

    EventSink first, second;
    second.answersEventIid = false; // reached through IDispatch instead
    ASSERT_EQ(S_OK, point->Advise(&first, &first.cookie));
    ASSERT_EQ(S_OK, point->Advise(&second, &second.cookie));
    EXPECT_NE(first.cookie, second.cookie);
    EXPECT_EQ(1u, first.refs);

    VARIANT amount = Long(5);
    DISPPARAMS add{&amount, nullptr, 1, 0};
    ASSERT_EQ(S_OK, counter->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_METHOD, &add, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::vector<LONG>{5}, first.received);
    EXPECT_EQ(std::vector<LONG>{5}, second.received);

    // Putting the property fires nothing.
    VARIANT value = Long(100);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &putId, 1, 1};
    ASSERT_EQ(S_OK, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    EXPECT_EQ(1u, first.received.size());

    // A sink that unadvises itself from its handler hears that event and no more.
    first.unadviseOnEvent = point;
    ASSERT_EQ(S_OK, counter->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_METHOD, &add, nullptr, nullptr, nullptr));
    ASSERT_EQ(S_OK, counter->Invoke(kDispAdd, IID_NULL, 0, DISPATCH_METHOD, &add, nullptr, nullptr, nullptr));
    EXPECT_EQ((std::vector<LONG>{5, 105}), first.received);
    EXPECT_EQ((std::vector<LONG>{5, 105, 110}), second.received);
    EXPECT_EQ(0u, first.refs);

    IEnumConnections* connections = nullptr;
    ASSERT_EQ(S_OK, point->EnumConnections(&connections));
    CONNECTDATA data[2];
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, connections->Next(2, data, &fetched));
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(second.cookie, data[0].dwCookie);
    data[0].pUnk->Release();
    connections->Release();

    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(first.cookie));
    EXPECT_EQ(S_OK, point->Unadvise(second.cookie));
    EXPECT_EQ(0u, second.refs);
    Outer notASink;
    DWORD cookie = 0;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(&notASink, &cookie));
    point->Release();
    container->Release();
    counter->Release();
}

TEST_F(ComTest, AggregatedObjectDelegatesToItsOwner)
{
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
    Outer outer;
    IDispatch* wrong = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_Counter, &outer, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&wrong)));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Counter, &outer, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    EXPECT_EQ(1u, outer.refs);

    IDispatch* dispatch = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    EXPECT_EQ(2u, outer.refs) << "the reference goes to the owner";
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    dispatch->Release();
    EXPECT_EQ(1u, outer.refs);
    EXPECT_EQ(0u, outer.inner->Release());
}

TEST_F(ComTest, TypeInformationDescribesTheTable)
{
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
    std::string path;
    ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, "TypeLib\\" + GuidToString(LIBID_CounterLib) + "\\1.0\\0\\linux", nullptr, &path));
    EXPECT_EQ(COUNTER_MODULE_PATH, path);
    std::string owner;
    ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, "Interface\\" + GuidToString(IID_DCounterEvents) + "\\TypeLib", nullptr, &owner));
    EXPECT_EQ(GuidToString(LIBID_CounterLib), owner);

    ITypeLib* lib = nullptr;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_CounterLib, 1, 0, 0, &lib));
    ITypeLib* otherVersion = nullptr;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_CounterLib, 2, 0, 0, &otherVersion));
    EXPECT_EQ(3u, lib->GetTypeInfoCount());
    BSTR name = nullptr, doc = nullptr, help = nullptr;
    ASSERT_EQ(S_OK, lib->GetDocumentation(-1, &name, &doc, nullptr, &help));
    EXPECT_STREQ(L"COUNTERLib", name);
    EXPECT_STREQ(L"Counter module", doc);
    EXPECT_STREQ(L"Counter.hlp", help);
    SysFreeString(name);
    SysFreeString(doc);
    SysFreeString(help);

    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(CLSID_Counter, &coclass));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    EXPECT_EQ(2, attr->cImplTypes);
    EXPECT_EQ(1, attr->wMajorVerNum);
    coclass->ReleaseTypeAttr(attr);
    INT flags = 0;
    ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(1, &flags));
    EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, flags);
    HREFTYPE ref = 0;
    ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(1, &ref));
    ITypeInfo* events = nullptr;
    ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(ref, &events));
    ASSERT_EQ(S_OK, events->GetTypeAttr(&attr));
    EXPECT_TRUE(attr->guid == IID_DCounterEvents);
    events->ReleaseTypeAttr(attr);
    events->Release();
    coclass->Release();

    // The object's own type information: one FUNCDESC per method, two per property.
    IDispatch* counter = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&counter)));
    UINT count = 0;
    ASSERT_EQ(S_OK, counter->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(S_OK, counter->GetTypeInfo(0, 0, &info));
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    EXPECT_EQ(5, attr->cFuncs);
    EXPECT_TRUE((attr->wTypeFlags & TYPEFLAG_FHIDDEN) != 0);
    info->ReleaseTypeAttr(attr);
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(S_OK, info->GetFuncDesc(3, &fd));
    EXPECT_EQ(kDispGetBoth, fd->memid);
    EXPECT_EQ(INVOKE_FUNC, fd->invkind);
    ASSERT_EQ(2, fd->cParams);
    EXPECT_EQ(VT_I4 | VT_BYREF, fd->lprgelemdescParam[1].vt);
    info->ReleaseFuncDesc(fd);
    ASSERT_EQ(S_OK, info->GetFuncDesc(1, &fd));
    EXPECT_EQ(INVOKE_PROPERTYPUT, fd->invkind);
    info->ReleaseFuncDesc(fd);
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, info->GetFuncDesc(5, &fd));
    BSTR names[3];
    UINT got = 0;
    ASSERT_EQ(S_OK, info->GetNames(kDispGetBoth, names, 3, &got));
    ASSERT_EQ(3u, got);
    EXPECT_STREQ(L"low", names[1]);
    for (UINT i = 0; i < got; ++i)
        SysFreeString(names[i]);
    ITypeLib* container = nullptr;
    UINT index = 9;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(&container, &index));
    EXPECT_EQ(0u, index);
    container->Release();
    // Invoke through the type information reaches the object.
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, info->Invoke(counter, kDispValue, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(0, result.lVal);
    info->Release();
    counter->Release();
    lib->Release();

    ASSERT_EQ(S_OK, CallExport("DllUnregisterServer"));
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_CounterLib, 1, 0, 0, &lib));
    HKEY probe = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CLASSES_ROOT, ("Interface\\" + GuidToString(IID_DCounter)).c_str(), 0, KEY_READ, &probe));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CLASSES_ROOT, ("TypeLib\\" + GuidToString(LIBID_CounterLib)).c_str(), 0, KEY_READ, &probe));
    EXPECT_EQ(SELFREG_E_TYPELIB, CallExport("DllUnregisterServer")) << "nothing left to unregister";
}

TEST_F(ComTest, StreamsOnMemoryAndFilesPersistAnObject)
{
    IDispatch* counter = CreateCounter();
    ASSERT_NE(nullptr, counter);
    IPersistStream* persist = nullptr;
    ASSERT_EQ(S_OK, counter->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist)));
    VARIANT value = Long(-2);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &putId, 1, 1};
    ASSERT_EQ(S_OK, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, persist->IsDirty());

    IStream* memory = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnMemory(nullptr, 0, &memory));
    ASSERT_EQ(S_OK, persist->Save(memory, TRUE));
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    STATSTG stat{};
    ASSERT_EQ(S_OK, memory->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(4u, stat.cbSize.QuadPart);
    ULARGE_INTEGER at{};
    ASSERT_EQ(S_OK, memory->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, &at));
    BYTE bytes[8] = {};
    ULONG got = 0;
    ASSERT_EQ(S_OK, memory->Read(bytes, 8, &got));
    EXPECT_EQ(4u, got);
    EXPECT_EQ(0xFE, bytes[0]);
    EXPECT_EQ(0xFF, bytes[3]);
    ASSERT_EQ(S_OK, memory->Read(bytes, 8, &got));
    EXPECT_EQ(0u, got);
    EXPECT_EQ(STG_E_INVALIDFUNCTION, memory->Seek(LARGE_INTEGER{-5}, STREAM_SEEK_CUR, &at));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, memory->Seek(LARGE_INTEGER{INT64_MAX}, STREAM_SEEK_END, &at));
    // Writing past the end fills the gap with zeros.
    ASSERT_EQ(S_OK, memory->Seek(LARGE_INTEGER{6}, STREAM_SEEK_SET, &at));
    ASSERT_EQ(S_OK, memory->Write("x", 1, nullptr));
    ASSERT_EQ(S_OK, memory->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(7u, stat.cbSize.QuadPart);

    const std::string file = (dir_ / "counter.bin").string();
    IStream* out = nullptr;
    EXPECT_EQ(STG_E_FILENOTFOUND, SHCreateStreamOnFileA(file.c_str(), STGM_READ, &out));
    ASSERT_EQ(S_OK, SHCreateStreamOnFileA(file.c_str(), STGM_WRITE | STGM_CREATE, &out));
    ASSERT_EQ(S_OK, memory->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, &at));
    ULARGE_INTEGER read{}, written{};
    ASSERT_EQ(S_OK, memory->CopyTo(out, ULARGE_INTEGER{4}, &read, &written));
    EXPECT_EQ(4u, written.QuadPart);
    EXPECT_EQ(S_OK, out->Commit(STGC_DEFAULT));
    EXPECT_EQ(STG_E_ACCESSDENIED, out->Read(bytes, 1, &got));
    out->Release();
    memory->Release();

    IStream* in = nullptr;
    ASSERT_EQ(S_OK, SHCreateStreamOnFileA(file.c_str(), STGM_READ, &in));
    EXPECT_EQ(STG_E_ACCESSDENIED, in->Write("y", 1, nullptr));
    ASSERT_EQ(S_OK, in->Stat(&stat, STATFLAG_DEFAULT));
    EXPECT_EQ(file, OleToUtf8(stat.pwcsName));
    CoTaskMemFree(stat.pwcsName);
    value = Long(0);
    ASSERT_EQ(S_OK, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    ASSERT_EQ(S_OK, persist->Load(in));
    EXPECT_EQ(E_FAIL, persist->Load(in)) << "a short record is refused";
    in->Release();
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, counter->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(-2, result.lVal);
    persist->Release();
    counter->Release();
}

} // namespace

// A small component module for the tests: class "Counter" with a dispatch interface,
// an event interface, IPersistStream, aggregation and self-registration.

#include <cstring>
#include <dlfcn.h>
#include <string>

#include "platform/com/CClassFactory.h"
#include "platform/com/CComModule.h"
#include "platform/com/CComObjectRoot.h"
#include "platform/com/CConnectionPointContainer.h"
#include "platform/com/CDispatchTable.h"
#include "platform/com/CTypeLib.h"
#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"
#include "tests/platform/com/TestCounterIds.h"

namespace {

CComModule g_module;

const DispParamDesc kAddParams[] = {{L"amount", VT_I4}};
const DispParamDesc kBothParams[] = {{L"low", VT_I4 | VT_BYREF}, {L"high", VT_I4 | VT_BYREF}};
const DispParamDesc kNameParams[] = {{L"text", VT_BSTR}};
const DispMemberDesc kCounterMembers[] = {
    {kDispValue, L"Value", DispMemberKind::Property, VT_I4, nullptr, 0, L"The count"},
    {kDispAdd, L"Add", DispMemberKind::Method, VT_EMPTY, kAddParams, 1, nullptr},
    {kDispGetBoth, L"GetBoth", DispMemberKind::Method, VT_EMPTY, kBothParams, 2, nullptr},
    {kDispNameLength, L"NameLength", DispMemberKind::Method, VT_I4, kNameParams, 1, nullptr},
};
const DispInterfaceDesc kCounterInterface{IID_DCounter, L"_DCounter", L"Dispatch interface for Counter", TYPEFLAG_FHIDDEN,
                                          kCounterMembers, 4};
const DispParamDesc kChangedParams[] = {{L"value", VT_I4}};
const DispMemberDesc kEventMembers[] = {{kEventChanged, L"Changed", DispMemberKind::Method, VT_EMPTY, kChangedParams, 1, nullptr}};
const DispInterfaceDesc kEventInterface{IID_DCounterEvents, L"_DCounterEvents", L"Event interface for Counter", 0,
                                        kEventMembers, 1};
const DispInterfaceDesc* const kInterfaces[] = {&kCounterInterface, &kEventInterface};
const CoClassDesc kCoClasses[] = {
    {CLSID_Counter, L"Counter", L"Counter Control", TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, &kCounterInterface,
     &kEventInterface}};
const TypeLibDesc kTypeLib{LIBID_CounterLib, 1, 0, 0x0409, LIBFLAG_FCONTROL, L"COUNTERLib", L"Counter module",
                           L"Counter.hlp", kInterfaces, 2, kCoClasses, 1};

class CCounter final : public CComObjectRoot, public IDispatch, public IPersistStream, private CDispatchTable::Handler {
public:
    explicit CCounter(IUnknown* outer)
        : CComObjectRoot(outer, &g_module),
          table_(kCounterInterface, &kTypeLib),
          points_(GetOwner()),
          events_(GetOwner(), &points_, IID_DCounterEvents)
    {
        points_.AddConnectionPoint(&events_);
    }

    CALYRIX_DELEGATING_IUNKNOWN

    HRESULT GetTypeInfoCount(UINT* n) override { return table_.GetTypeInfoCount(n); }
    HRESULT GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override { return table_.GetTypeInfo(i, lcid, info); }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override
    {
        return table_.GetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                   UINT* argErr) override
    {
        return table_.Invoke(*this, id, riid, lcid, flags, params, result, info, argErr);
    }

    HRESULT GetClassID(CLSID* clsid) override
    {
        if (clsid == nullptr)
            return E_POINTER;
        *clsid = CLSID_Counter;
        return S_OK;
    }
    HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT Load(IStream* stream) override
    {
        if (stream == nullptr)
            return E_POINTER;
        BYTE bytes[4];
        ULONG got = 0;
        const HRESULT hr = stream->Read(bytes, 4, &got);
        if (FAILED(hr))
            return hr;
        if (got != 4)
            return E_FAIL;
        value_ = static_cast<LONG>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (DWORD(bytes[3]) << 24));
        dirty_ = false;
        return S_OK;
    }
    HRESULT Save(IStream* stream, BOOL clearDirty) override
    {
        if (stream == nullptr)
            return E_POINTER;
        const auto v = static_cast<DWORD>(value_);
        const BYTE bytes[4] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
        const HRESULT hr = stream->Write(bytes, 4, nullptr);
        if (SUCCEEDED(hr) && clearDirty)
            dirty_ = false;
        return hr;
    }
    HRESULT GetSizeMax(ULARGE_INTEGER* size) override
    {
        if (size == nullptr)
            return E_POINTER;
        size->QuadPart = 4;
        return S_OK;
    }

protected:
    HRESULT QueryOwnInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_DCounter))
            *ppv = static_cast<IDispatch*>(this);
        else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStream))
            *ppv = static_cast<IPersistStream*>(this);
        else if (IsEqualIID(riid, IID_IConnectionPointContainer))
            *ppv = static_cast<IConnectionPointContainer*>(&points_);
        else
            return E_NOINTERFACE;
        return S_OK;
    }

private:
    HRESULT GetProperty(DISPID, VARIANT* value) override
    {
        value->vt = VT_I4;
        value->lVal = value_;
        return S_OK;
    }
    HRESULT PutProperty(DISPID, const VARIANT& value) override
    {
        value_ = value.lVal;
        dirty_ = true;
        return S_OK;
    }
    HRESULT CallMethod(DISPID id, VARIANT* args, UINT, VARIANT* result) override
    {
        switch (id) {
        case kDispAdd: {
            value_ += args[0].lVal;
            dirty_ = true;
            VARIANT event;
            VariantInit(&event);
            event.vt = VT_I4;
            event.lVal = value_;
            return events_.FireEvent(kEventChanged, &event, 1);
        }
        case kDispGetBoth:
            *args[0].plVal = value_ - 1;
            *args[1].plVal = value_ + 1;
            return S_OK;
        case kDispNameLength:
            if (result != nullptr) {
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(SysStringLen(args[0].bstrVal));
            }
            return S_OK;
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

    CDispatchTable table_;
    CConnectionPointContainer points_;
    CConnectionPoint events_;
    LONG value_ = 0;
    bool dirty_ = false;
};

HRESULT CreateCounter(IUnknown* outer, REFIID riid, void** ppv)
{
    return CComObjectRoot::CreateInstance<CCounter>(outer, riid, ppv);
}

CClassFactory g_counterFactory(g_module, CLSID_Counter, CreateCounter, true);
CClassFactory* const g_factories[] = {&g_counterFactory};

std::string ModulePath()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || info.dli_fname == nullptr)
        return std::string();
    return info.dli_fname;
}

} // namespace

CALYRIX_COM_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    return CClassFactory::GetClassObject(g_factories, 1, rclsid, riid, ppv);
}

CALYRIX_COM_EXPORT HRESULT DllCanUnloadNow()
{
    return g_module.CanUnloadNow();
}

CALYRIX_COM_EXPORT HRESULT DllGetTypeLib(ITypeLib** pptlib)
{
    return CTypeLib::Create(kTypeLib, pptlib);
}

CALYRIX_COM_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = ModulePath();
    ITypeLib* lib = nullptr;
    HRESULT hr = CTypeLib::Create(kTypeLib, &lib);
    if (SUCCEEDED(hr)) {
        hr = RegisterTypeLib(lib, Utf8ToOle(path.c_str()).c_str(), L"");
        lib->Release();
    }
    if (FAILED(hr))
        return SELFREG_E_TYPELIB;
    const std::string clsid = "CLSID\\" + GuidToString(CLSID_Counter);
    if (FAILED(RegSetKeyString(HKEY_CLASSES_ROOT, clsid, nullptr, "Counter Control")) ||
        FAILED(RegSetKeyString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", nullptr, path)) ||
        FAILED(RegSetKeyString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel", "Apartment")) ||
        FAILED(RegSetKeyString(HKEY_CLASSES_ROOT, clsid + "\\ProgID", nullptr, kCounterProgId)) ||
        FAILED(RegSetKeyString(HKEY_CLASSES_ROOT, std::string(kCounterProgId) + "\\CLSID", nullptr, GuidToString(CLSID_Counter))))
        return SELFREG_E_CLASS;
    return S_OK;
}

CALYRIX_COM_EXPORT HRESULT DllUnregisterServer()
{
    if (FAILED(UnRegisterTypeLib(LIBID_CounterLib, 1, 0, 0, SYS_WIN32)))
        return SELFREG_E_TYPELIB;
    if (FAILED(RegDeleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(CLSID_Counter))) ||
        FAILED(RegDeleteKeyTree(HKEY_CLASSES_ROOT, kCounterProgId)))
        return SELFREG_E_CLASS;
    return S_OK;
}

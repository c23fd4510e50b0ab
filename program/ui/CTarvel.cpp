#include "program/ui/CTarvel.h"

#include <QWidget>

#include <atomic>
#include <cstdio>

#include "platform/com/ComApi.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/Guid.h"
#include "slider/IControlWindow.h"
#include "slider/TarvelTypeLib.h"

// Receives _DTarvelEvents and hands Scroll to its wrapper.
class CTarvel::EventSink final : public IDispatch {
public:
    explicit EventSink(CTarvel& owner) : owner_(&owner) {}

    void Detach() { owner_ = nullptr; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, DIID__DTarvelEvents)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT GetTypeInfoCount(UINT* pctinfo) override
    {
        if (pctinfo == nullptr) return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    HRESULT Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams, VARIANT*,
                   EXCEPINFO*, UINT* puArgErr) override
    {
        if (dispIdMember != DISPID_TARVEL_SCROLL) return DISP_E_MEMBERNOTFOUND;
        if (!(wFlags & DISPATCH_METHOD) || pDispParams == nullptr) return DISP_E_MEMBERNOTFOUND;
        if (pDispParams->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        VARIANT pos;
        VariantInit(&pos);
        if (FAILED(VariantChangeType(&pos, &pDispParams->rgvarg[0], 0, VT_I4))) {
            if (puArgErr) *puArgErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        if (owner_) owner_->OnScroll(pos.lVal);
        return S_OK;
    }

private:
    ~EventSink() = default;

    CTarvel* owner_;
    std::atomic<ULONG> refs_{1};
};

CTarvel::CTarvel() = default;

CTarvel::~CTarvel() { DestroyWindow(); }

void CTarvel::Fail(const char* what, HRESULT hr)
{
    errorFlag = 1;
    std::snprintf(errorText, sizeof errorText, "Cannot create the slider control %u: %s (0x%08X).", controlId_,
                  what, static_cast<unsigned>(hr));
}

BOOL CTarvel::Create(const char*, DWORD style, const QRect& rect, QWidget* parent, UINT controlId)
{
    return CreateByClsid(CLSID_Tarvel, style, rect, parent, controlId);
}

BOOL CTarvel::CreateByClsid(REFCLSID clsid, DWORD style, const QRect& rect, QWidget* parent, UINT controlId)
{
    errorFlag = 0;
    errorText[0] = '\0';
    DestroyWindow();
    controlId_ = controlId;

    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&control_));
    if (FAILED(hr)) {
        control_ = nullptr;
        const char* why = "the component cannot be created";
        if (hr == REGDB_E_CLASSNOTREG)
            why = "the class is not registered";
        else if (hr == CO_E_DLLNOTFOUND || hr == CO_E_ERRORINDLL)
            why = "its registered module cannot be loaded";
        Fail(why, hr);
        return FALSE;
    }
    void* p = nullptr;
    if (FAILED(hr = control_->QueryInterface(IID_IDispatch, &p))) {
        Fail("it has no dispatch interface", hr);
        DestroyWindow();
        return FALSE;
    }
    dispatch_ = static_cast<IDispatch*>(p);
    if (FAILED(hr = control_->QueryInterface(IID_IControlWindow, &p))) {
        Fail("it cannot make a window", hr);
        DestroyWindow();
        return FALSE;
    }
    window_ = static_cast<IControlWindow*>(p);
    if (FAILED(hr = control_->QueryInterface(IID_IPersistStreamInit, &p))) {
        Fail("it cannot be initialised", hr);
        DestroyWindow();
        return FALSE;
    }
    auto* persist = static_cast<IPersistStreamInit*>(p);
    hr = persist->InitNew();
    persist->Release();
    if (FAILED(hr)) {
        Fail("it cannot be initialised", hr);
        DestroyWindow();
        return FALSE;
    }

    QWidget* widget = nullptr;
    hr = window_->CreateControlWindow(parent, rect.x(), rect.y(), rect.width(), rect.height(), controlId, &widget);
    if (FAILED(hr)) {
        Fail("its window cannot be created", hr);
        DestroyWindow();
        return FALSE;
    }

    if (SUCCEEDED(hr = control_->QueryInterface(IID_IConnectionPointContainer, &p))) {
        auto* container = static_cast<IConnectionPointContainer*>(p);
        IConnectionPoint* point = nullptr;
        hr = container->FindConnectionPoint(DIID__DTarvelEvents, &point);
        container->Release();
        if (SUCCEEDED(hr)) {
            sink_ = new EventSink(*this);
            hr = point->Advise(sink_, &cookie_);
            point->Release();
        }
    }
    if (FAILED(hr)) {
        Fail("its events cannot be connected", hr);
        DestroyWindow();
        return FALSE;
    }
    if (widget) widget->setVisible((style & WS_VISIBLE) != 0);
    return TRUE;
}

void CTarvel::DestroyWindow()
{
    if (sink_) {
        sink_->Detach();
        void* p = nullptr;
        if (control_ && cookie_ && SUCCEEDED(control_->QueryInterface(IID_IConnectionPointContainer, &p))) {
            auto* container = static_cast<IConnectionPointContainer*>(p);
            IConnectionPoint* point = nullptr;
            if (SUCCEEDED(container->FindConnectionPoint(DIID__DTarvelEvents, &point))) {
                point->Unadvise(cookie_);
                point->Release();
            }
            container->Release();
        }
        sink_->Release();
        sink_ = nullptr;
        cookie_ = 0;
    }
    if (window_) {
        window_->Release();
        window_ = nullptr;
    }
    if (dispatch_) {
        dispatch_->Release();
        dispatch_ = nullptr;
    }
    if (control_) {
        control_->Release();  // the control's window goes with it
        control_ = nullptr;
    }
}

QWidget* CTarvel::GetWindow() const { return window_ ? window_->GetControlWindow() : nullptr; }

void CTarvel::SetPos(long pos)
{
    errorFlag = 0;
    if (dispatch_ == nullptr) return;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = static_cast<LONG>(pos);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    const HRESULT hr = dispatch_->Invoke(DISPID_TARVEL_POS, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                         &params, nullptr, nullptr, nullptr);
    if (FAILED(hr)) Fail("Pos cannot be set", hr);
}

void CTarvel::SetRange(long nMin, long nMax)
{
    errorFlag = 0;
    if (dispatch_ == nullptr) return;
    VARIANT args[2];  // reverse order
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_I4;
    args[0].lVal = static_cast<LONG>(nMax);
    args[1].vt = VT_I4;
    args[1].lVal = static_cast<LONG>(nMin);
    DISPPARAMS params{args, nullptr, 2, 0};
    const HRESULT hr = dispatch_->Invoke(DISPID_TARVEL_SETRANGE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                         &params, nullptr, nullptr, nullptr);
    if (FAILED(hr)) Fail("the range cannot be set", hr);
}

long CTarvel::GetPos()
{
    errorFlag = 0;
    if (dispatch_ == nullptr) return 0;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = dispatch_->Invoke(DISPID_TARVEL_POS, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                         &none, &result, nullptr, nullptr);
    if (FAILED(hr) || result.vt != VT_I4) {
        Fail("Pos cannot be read", hr);
        VariantClear(&result);
        return 0;
    }
    return result.lVal;
}

void CTarvel::OnScroll(LONG pos)
{
    if (handler_) handler_(controlId_, pos);
}

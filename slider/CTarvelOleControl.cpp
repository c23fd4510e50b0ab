#include "slider/CTarvelOleControl.h"

#include <cmath>
#include <new>

#include "platform/com/ComApi.h"
#include "slider/TarvelModule.h"
#include "slider/TarvelTypeLib.h"
#include "slider/TarvelWidget.h"

namespace {

void PutLE32(BYTE* p, DWORD v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

DWORD GetLE32(const BYTE* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

// HIMETRIC (0.01 mm) to pixels at 96 dots per inch.
int HimetricToPixels(LONG himetric) { return static_cast<int>(std::lround(himetric * 96.0 / 2540.0)); }

}  // namespace

HRESULT CTarvelOleControl::Create(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    return CComObjectRoot::CreateInstance<CTarvelOleControl>(pUnkOuter, riid, ppv);
}

CTarvelOleControl::CTarvelOleControl(IUnknown* pUnkOuter)
    : CComObjectRoot(pUnkOuter, &TarvelModule()),
      dispatch_(TarvelTypeLib::DTarvel(), &TarvelTypeLib::Library()),
      points_(GetOwner()),
      scrollPoint_(GetOwner(), &points_, DIID__DTarvelEvents)
{
    points_.AddConnectionPoint(&scrollPoint_);
}

CTarvelOleControl::~CTarvelOleControl()
{
    scrollPoint_.UnadviseAll();
    if (widget_) {
        widget_->disconnect();
        // A sink that drops the last reference from inside Scroll runs within the widget's
        // own input handler; the widget may only go once that handler has returned. Its
        // code is in this module, which stays loaded until then.
        if (firing_ > 0) {
            TarvelModule().Lock();
            QObject::connect(widget_.data(), &QObject::destroyed, [] { TarvelModule().Unlock(); });
            widget_->deleteLater();
        } else
            delete widget_.data();
    }
}

HRESULT CTarvelOleControl::QueryOwnInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID__DTarvel))
        *ppv = static_cast<IDispatch*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer))
        *ppv = static_cast<IConnectionPointContainer*>(&points_);
    else if (IsEqualIID(riid, IID_IPersistStreamInit))
        *ppv = static_cast<IPersistStreamInit*>(this);
    else if (IsEqualIID(riid, IID_IPersist))
        *ppv = static_cast<IPersist*>(static_cast<IPersistStreamInit*>(this));
    else if (IsEqualIID(riid, IID_ISpecifyPropertyPages))
        *ppv = static_cast<ISpecifyPropertyPages*>(this);
    else if (IsEqualIID(riid, IID_IControlWindow))
        *ppv = static_cast<IControlWindow*>(this);
    else
        return E_NOINTERFACE;
    return S_OK;
}

// --- IDispatch

HRESULT CTarvelOleControl::GetTypeInfoCount(UINT* pctinfo) { return dispatch_.GetTypeInfoCount(pctinfo); }

HRESULT CTarvelOleControl::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo)
{
    return dispatch_.GetTypeInfo(iTInfo, lcid, ppTInfo);
}

HRESULT CTarvelOleControl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                         DISPID* rgDispId)
{
    return dispatch_.GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
}

HRESULT CTarvelOleControl::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                  DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                  UINT* puArgErr)
{
    return dispatch_.Invoke(*this, dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                            puArgErr);
}

void CTarvelOleControl::GetValues(LONG& rangeMin, LONG& rangeMax, LONG& pos) const
{
    if (widget_) {
        const CTarvelCtrl& c = widget_->Logic();
        rangeMin = c.GetRangeMin();
        rangeMax = c.GetRangeMax();
        pos = c.GetPos();
    } else {
        rangeMin = rangeMin_;
        rangeMax = rangeMax_;
        pos = pos_;
    }
}

HRESULT CTarvelOleControl::GetProperty(DISPID dispid, VARIANT* value)
{
    LONG rangeMin, rangeMax, pos;
    GetValues(rangeMin, rangeMax, pos);
    value->vt = VT_I4;
    switch (dispid) {
    case DISPID_TARVEL_POS: value->lVal = pos; return S_OK;
    case DISPID_TARVEL_RANGEMAX: value->lVal = rangeMax; return S_OK;
    case DISPID_TARVEL_RANGEMIN: value->lVal = rangeMin; return S_OK;
    default: value->vt = VT_EMPTY; return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CTarvelOleControl::PutProperty(DISPID dispid, const VARIANT& value)
{
    const LONG v = value.lVal;
    CTarvelCtrl* c = widget_ ? &widget_->Logic() : nullptr;
    switch (dispid) {
    case DISPID_TARVEL_POS:
        pos_ = v;
        if (c) c->SetPos(v);
        break;
    case DISPID_TARVEL_RANGEMAX:
        rangeMax_ = v;
        if (c) c->SetRangeMax(v);
        break;
    case DISPID_TARVEL_RANGEMIN:
        rangeMin_ = v;
        if (c) c->SetRangeMin(v);
        break;
    default: return DISP_E_MEMBERNOTFOUND;
    }
    modified_ = true;
    return S_OK;
}

HRESULT CTarvelOleControl::CallMethod(DISPID dispid, VARIANT* args, UINT count, VARIANT*)
{
    if (count != 2) return DISP_E_BADPARAMCOUNT;
    switch (dispid) {
    case DISPID_TARVEL_SETRANGE:
        rangeMin_ = args[0].lVal;
        rangeMax_ = args[1].lVal;
        if (widget_) widget_->Logic().SetRange(rangeMin_, rangeMax_);
        modified_ = true;
        return S_OK;
    case DISPID_TARVEL_GETRANGE: {
        if (args[0].plVal == nullptr || args[1].plVal == nullptr) return E_POINTER;
        LONG pos;
        GetValues(*args[0].plVal, *args[1].plVal, pos);
        return S_OK;
    }
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

void CTarvelOleControl::FireScroll(LONG pos)
{
    pos_ = pos;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = pos;
    // Hold the object: a sink may release the container's last reference while handling.
    OwnerAddRef();
    ++firing_;
    scrollPoint_.FireEvent(DISPID_TARVEL_SCROLL, &arg, 1);
    if (OwnerRelease() != 0) --firing_;  // at 0 this object is gone
}

// --- IPersistStreamInit

HRESULT CTarvelOleControl::GetClassID(CLSID* pClassID)
{
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = CLSID_Tarvel;
    return S_OK;
}

HRESULT CTarvelOleControl::IsDirty() { return modified_ ? S_OK : S_FALSE; }

HRESULT CTarvelOleControl::Load(IStream* pStm)
{
    if (pStm == nullptr) return E_POINTER;
    BYTE record[kRecordSize];
    ULONG read = 0;
    const HRESULT hr = pStm->Read(record, kRecordSize, &read);
    if (FAILED(hr)) return hr;
    if (read != kRecordSize) return STG_E_READFAULT;
    // Older versions convert; a newer record is not ours to interpret.
    if (GetLE32(record) > kVersion) return E_FAIL;
    const LONG cx = static_cast<LONG>(GetLE32(record + 4));
    const LONG cy = static_cast<LONG>(GetLE32(record + 8));
    if (cx < 0 || cy < 0) return E_FAIL;
    extentX_ = cx;
    extentY_ = cy;
    stockMask_ = GetLE32(record + 12);
    modified_ = false;
    return S_OK;
}

HRESULT CTarvelOleControl::Save(IStream* pStm, BOOL fClearDirty)
{
    if (pStm == nullptr) return E_POINTER;
    BYTE record[kRecordSize];
    PutLE32(record, kVersion);
    PutLE32(record + 4, static_cast<DWORD>(extentX_));
    PutLE32(record + 8, static_cast<DWORD>(extentY_));
    PutLE32(record + 12, stockMask_);
    ULONG written = 0;
    const HRESULT hr = pStm->Write(record, kRecordSize, &written);
    if (FAILED(hr)) return hr;
    if (written != kRecordSize) return STG_E_MEDIUMFULL;
    if (fClearDirty) modified_ = false;
    return S_OK;
}

HRESULT CTarvelOleControl::GetSizeMax(ULARGE_INTEGER* pcbSize)
{
    if (pcbSize == nullptr) return E_POINTER;
    pcbSize->QuadPart = kRecordSize;
    return S_OK;
}

HRESULT CTarvelOleControl::InitNew()
{
    extentX_ = kDefaultExtentX;
    extentY_ = kDefaultExtentY;
    stockMask_ = 0;
    modified_ = false;
    return S_OK;
}

// --- ISpecifyPropertyPages

HRESULT CTarvelOleControl::GetPages(CAUUID* pPages)
{
    if (pPages == nullptr) return E_POINTER;
    pPages->cElems = 0;
    pPages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pPages->pElems == nullptr) return E_OUTOFMEMORY;
    pPages->pElems[0] = CLSID_TarvelPropPage;
    pPages->cElems = 1;
    return S_OK;
}

// --- IControlWindow

HRESULT CTarvelOleControl::CreateControlWindow(QWidget* parent, int x, int y, int w, int h, UINT controlId,
                                               QWidget** window)
{
    if (window) *window = nullptr;
    if (parent == nullptr) return E_INVALIDARG;
    if (widget_) return E_UNEXPECTED;
    auto* widget = new (std::nothrow) TarvelWidget(parent);
    if (widget == nullptr) return E_OUTOFMEMORY;
    widget->setObjectName(QString::number(controlId));
    widget->SetUserMode(userMode_);
    if (w <= 0 || h <= 0) {
        w = HimetricToPixels(extentX_);
        h = HimetricToPixels(extentY_);
    }
    widget->setGeometry(x, y, w, h);
    QObject::connect(widget, &TarvelWidget::Scroll, widget, [this](int pos) { FireScroll(pos); });
    QObject::connect(widget, &TarvelWidget::Modified, widget, [this] { modified_ = true; });
    widget_ = widget;
    const CTarvelCtrl& c = widget->Logic();
    rangeMin_ = c.GetRangeMin();
    rangeMax_ = c.GetRangeMax();
    pos_ = c.GetPos();
    if (window) *window = widget;
    return S_OK;
}

QWidget* CTarvelOleControl::GetControlWindow() { return widget_.data(); }

HRESULT CTarvelOleControl::SetAmbientUserMode(BOOL userMode)
{
    userMode_ = userMode != FALSE;
    if (widget_) widget_->SetUserMode(userMode_);
    return S_OK;
}

#include "slider/CTarvelPropPageObject.h"

#include <new>

#include "slider/CTarvelPropPage.h"
#include "slider/TarvelModule.h"

HRESULT CTarvelPropPageObject::Create(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    return CComObjectRoot::CreateInstance<CTarvelPropPageObject>(pUnkOuter, riid, ppv);
}

CTarvelPropPageObject::CTarvelPropPageObject(IUnknown* pUnkOuter) : CComObjectRoot(pUnkOuter, &TarvelModule()) {}

CTarvelPropPageObject::~CTarvelPropPageObject()
{
    delete page_.data();
    ReleaseObjects();
}

HRESULT CTarvelPropPageObject::QueryOwnInterface(REFIID riid, void** ppv)
{
    if (!IsEqualIID(riid, IID_IPageWindow)) return E_NOINTERFACE;
    *ppv = static_cast<IPageWindow*>(this);
    return S_OK;
}

void CTarvelPropPageObject::ReleaseObjects()
{
    for (IDispatch* d : objects_) d->Release();
    objects_.clear();
}

HRESULT CTarvelPropPageObject::SetObjects(ULONG cObjects, IUnknown** ppUnk)
{
    if (cObjects > 0 && ppUnk == nullptr) return E_POINTER;
    std::vector<IDispatch*> found;
    for (ULONG i = 0; i < cObjects; ++i) {
        void* d = nullptr;
        if (ppUnk[i] == nullptr || FAILED(ppUnk[i]->QueryInterface(IID_IDispatch, &d))) {
            for (IDispatch* f : found) f->Release();
            return E_NOINTERFACE;
        }
        found.push_back(static_cast<IDispatch*>(d));
    }
    ReleaseObjects();
    objects_ = std::move(found);
    if (page_) page_->SetObjects(objects_);
    return S_OK;
}

HRESULT CTarvelPropPageObject::Activate(QWidget* parent, QWidget** window)
{
    if (window) *window = nullptr;
    if (page_) return E_UNEXPECTED;
    auto* page = new (std::nothrow) CTarvelPropPage(parent);
    if (page == nullptr) return E_OUTOFMEMORY;
    page->SetObjects(objects_);
    page->Load();
    page_ = page;
    if (window) *window = page;
    return S_OK;
}

HRESULT CTarvelPropPageObject::Deactivate()
{
    delete page_.data();
    return S_OK;
}

HRESULT CTarvelPropPageObject::IsPageDirty()
{
    return page_ && page_->IsDirty() ? S_OK : S_FALSE;
}

HRESULT CTarvelPropPageObject::Apply()
{
    if (!page_) return E_UNEXPECTED;
    return page_->Apply() ? S_OK : E_FAIL;
}

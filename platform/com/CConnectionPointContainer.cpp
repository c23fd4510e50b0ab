#include "platform/com/CConnectionPointContainer.h"

#include "platform/com/CEnumSnapshot.h"
#include "platform/com/NoThrow.h"

CConnectionPointContainer::CConnectionPointContainer(IUnknown* owner) : owner_(owner) {}

void CConnectionPointContainer::AddConnectionPoint(CConnectionPoint* point)
{
    points_.push_back(point);
}

HRESULT CConnectionPointContainer::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPointContainer)) {
        *ppv = static_cast<IConnectionPointContainer*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CConnectionPointContainer::AddRef() { return owner_->AddRef(); }
ULONG CConnectionPointContainer::Release() { return owner_->Release(); }

HRESULT CConnectionPointContainer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        std::vector<IConnectionPoint*> items(points_.begin(), points_.end());
        return CEnumSnapshot<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>::Create(items, ppEnum);
    });
}

HRESULT CConnectionPointContainer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP)
{
    if (ppCP == nullptr)
        return E_POINTER;
    *ppCP = nullptr;
    for (CConnectionPoint* point : points_) {
        if (IsEqualIID(point->GetIID(), riid)) {
            point->AddRef();
            *ppCP = point;
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

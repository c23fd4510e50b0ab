#pragma once

// The IConnectionPointContainer of a source object, as a member of it: its IUnknown
// methods go to the owner, and it lists the object's connection points.

#include <vector>

#include "platform/com/CConnectionPoint.h"

class CConnectionPointContainer final : public IConnectionPointContainer {
public:
    explicit CConnectionPointContainer(IUnknown* owner);
    CConnectionPointContainer(const CConnectionPointContainer&) = delete;
    CConnectionPointContainer& operator=(const CConnectionPointContainer&) = delete;

    // The point stays owned by the caller and must outlive this container's use.
    void AddConnectionPoint(CConnectionPoint* point);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    // CONNECT_E_NOCONNECTION when no point has riid.
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

private:
    IUnknown* owner_;
    std::vector<CConnectionPoint*> points_;
};

#pragma once

// One connection point of a source object, for one outgoing dispatch interface. It is a
// member of the source object: its IUnknown methods go to the owner. Sinks are kept in
// advise order and called synchronously, on the firing thread, by FireEvent. A sink may
// unadvise itself (or others) while an event is being fired.

#include <vector>

#include "platform/com/ConnectionPoints.h"

class CConnectionPoint final : public IConnectionPoint {
public:
    // owner: the source object's IUnknown; container: its IConnectionPointContainer.
    CConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID iid);
    ~CConnectionPoint();
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;

    const IID& GetIID() const { return iid_; }
    ULONG GetSinkCount() const;

    // Calls Invoke(dispid, DISPATCH_METHOD) on every sink with args[0..count) in declared
    // order. Returns S_OK, or the first failure a sink answered (the others are still called).
    HRESULT FireEvent(DISPID dispid, const VARIANT* args, UINT count);
    // Releases every sink (when the source object goes away).
    void UnadviseAll();

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetConnectionInterface(IID* pIID) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    HRESULT Unadvise(DWORD dwCookie) override;
    HRESULT EnumConnections(IEnumConnections** ppEnum) override;

private:
    struct Sink {
        IDispatch* dispatch; // null once unadvised during a firing
        DWORD cookie;
    };
    void Compact();

    IUnknown* owner_;
    IConnectionPointContainer* container_;
    IID iid_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
    int firing_ = 0;
};

#pragma once

#include "filter/framework/CFactoryTemplate.h"
#include "platform/com/CSimpleUnknown.h"

// The framework's class factory sits in its own namespace: the component layer has a
// helper of the same name.
namespace framework {

// Creates objects of one factory-template entry. Server locks keep the module loaded;
// LockServer(FALSE) undoes only a LockServer(TRUE) of the same factory (E_UNEXPECTED
// otherwise), so an unmatched unlock cannot drop a lock another client holds.
class CClassFactory final : public CSimpleUnknown<IClassFactory, IID_IClassFactory> {
public:
    explicit CClassFactory(const CFactoryTemplate* entry) noexcept;

    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT LockServer(BOOL fLock) override;

    static bool IsLocked() noexcept;

private:
    ~CClassFactory() override = default;

    const CFactoryTemplate* entry;
    volatile LONG locks = 0;
};

} // namespace framework

// The bodies of a module's DllGetClassObject and DllCanUnloadNow over its table.
HRESULT FrameworkGetClassObject(const CFactoryTemplate* templates, int count, REFCLSID rclsid, REFIID riid,
                                void** ppv);
HRESULT FrameworkCanUnloadNow();

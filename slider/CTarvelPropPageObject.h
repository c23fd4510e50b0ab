#pragma once

#include <QPointer>

#include <vector>

#include "platform/com/Automation.h"
#include "platform/com/CComObjectRoot.h"
#include "slider/IPageWindow.h"

class CTarvelPropPage;

// The property page as a component object: the page class factory creates these.
class CTarvelPropPageObject final : public CComObjectRoot, public IPageWindow {
public:
    static HRESULT Create(IUnknown* pUnkOuter, REFIID riid, void** ppv);

    explicit CTarvelPropPageObject(IUnknown* pUnkOuter);
    ~CTarvelPropPageObject() override;

    CALYRIX_DELEGATING_IUNKNOWN

    HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
    HRESULT Activate(QWidget* parent, QWidget** window) override;
    HRESULT Deactivate() override;
    HRESULT IsPageDirty() override;
    HRESULT Apply() override;

protected:
    HRESULT QueryOwnInterface(REFIID riid, void** ppv) override;

private:
    void ReleaseObjects();

    std::vector<IDispatch*> objects_;
    QPointer<CTarvelPropPage> page_;
};

#pragma once

#include <QPointer>

#include "platform/com/CComObjectRoot.h"
#include "platform/com/CConnectionPoint.h"
#include "platform/com/CConnectionPointContainer.h"
#include "platform/com/CDispatchTable.h"
#include "platform/com/Streams.h"
#include "slider/IControlWindow.h"

class TarvelWidget;

// The fader as a component object: _DTarvel by dispatch, _DTarvelEvents through a
// connection point, the persisted record, the property page list and its window.
class CTarvelOleControl final : public CComObjectRoot,
                                public IDispatch,
                                public IPersistStreamInit,
                                public ISpecifyPropertyPages,
                                public IControlWindow,
                                private CDispatchTable::Handler {
public:
    static HRESULT Create(IUnknown* pUnkOuter, REFIID riid, void** ppv);

    CTarvelOleControl(IUnknown* pUnkOuter);
    ~CTarvelOleControl() override;

    CALYRIX_DELEGATING_IUNKNOWN

    // IDispatch
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IPersistStreamInit: version 0x00010000, extent in HIMETRIC, stock-property mask.
    HRESULT GetClassID(CLSID* pClassID) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* pStm) override;
    HRESULT Save(IStream* pStm, BOOL fClearDirty) override;
    HRESULT GetSizeMax(ULARGE_INTEGER* pcbSize) override;
    HRESULT InitNew() override;

    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pPages) override;

    // IControlWindow
    HRESULT CreateControlWindow(QWidget* parent, int x, int y, int w, int h, UINT controlId,
                                QWidget** window) override;
    QWidget* GetControlWindow() override;
    HRESULT SetAmbientUserMode(BOOL userMode) override;

    static constexpr DWORD kVersion = 0x00010000;
    // The design size of the small track, 38 x 205 pixels.
    static constexpr LONG kDefaultExtentX = 1005;
    static constexpr LONG kDefaultExtentY = 5424;
    static constexpr ULONG kRecordSize = 16;

protected:
    HRESULT QueryOwnInterface(REFIID riid, void** ppv) override;

private:
    HRESULT GetProperty(DISPID dispid, VARIANT* value) override;
    HRESULT PutProperty(DISPID dispid, const VARIANT& value) override;
    HRESULT CallMethod(DISPID dispid, VARIANT* args, UINT count, VARIANT* result) override;

    void FireScroll(LONG pos);
    void GetValues(LONG& rangeMin, LONG& rangeMax, LONG& pos) const;

    CDispatchTable dispatch_;
    CConnectionPointContainer points_;
    CConnectionPoint scrollPoint_;
    QPointer<TarvelWidget> widget_;
    // Held until the window exists; creation replaces them with the defaults.
    LONG rangeMin_ = 0;
    LONG rangeMax_ = 100;
    LONG pos_ = 50;
    bool userMode_ = true;
    bool modified_ = false;
    LONG extentX_ = kDefaultExtentX;
    LONG extentY_ = kDefaultExtentY;
    DWORD stockMask_ = 0;
    int firing_ = 0;
};

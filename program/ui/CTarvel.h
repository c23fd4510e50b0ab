#pragma once

#include <QRect>
#include <QString>

#include <functional>

#include "platform/com/Automation.h"

class QWidget;
class IControlWindow;

// The program's side of a fader: creates the control through the component runtime by its
// class identifier, sets range and position by dispatch and routes the control's Scroll
// events, tagged with the control id, to one handler. Errors as errorFlag/errorText.
class CTarvel {
public:
    using ScrollHandler = std::function<void(UINT controlId, LONG lPos)>;

    CTarvel();
    ~CTarvel();
    CTarvel(const CTarvel&) = delete;
    CTarvel& operator=(const CTarvel&) = delete;

    // Creates the control in parent at rect (pixels) with no persisted state and connects
    // its events. style: visible when WS_VISIBLE is set. FALSE on failure, see GetErrorText.
    BOOL Create(const char* windowName, DWORD style, const QRect& rect, QWidget* parent, UINT controlId);
    // The same control created by a class identifier other than the default one.
    BOOL CreateByClsid(REFCLSID clsid, DWORD style, const QRect& rect, QWidget* parent, UINT controlId);
    void DestroyWindow();

    void SetPos(long pos);
    void SetRange(long nMin, long nMax);
    long GetPos();

    void SetScrollHandler(ScrollHandler handler) { handler_ = std::move(handler); }

    QWidget* GetWindow() const;
    UINT GetDlgCtrlID() const { return controlId_; }
    IDispatch* GetDispatch() const { return dispatch_; }

    int GetErrorFlag() const { return errorFlag; }
    const char* GetErrorText() const { return errorText; }

    static constexpr DWORD WS_VISIBLE = 0x10000000;

private:
    class EventSink;

    void Fail(const char* what, HRESULT hr);
    void OnScroll(LONG pos);

    IUnknown* control_ = nullptr;
    IDispatch* dispatch_ = nullptr;
    IControlWindow* window_ = nullptr;
    EventSink* sink_ = nullptr;
    DWORD cookie_ = 0;
    UINT controlId_ = 0;
    ScrollHandler handler_;
    int errorFlag = 0;
    char errorText[1024] = {};
};

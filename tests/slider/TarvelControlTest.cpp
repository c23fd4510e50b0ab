#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSpinBox>
#include <QWidget>

#include <vector>

#include "platform/com/ComApi.h"
#include "platform/com/ConnectionPoints.h"
#include "slider/IControlWindow.h"
#include "slider/IPageWindow.h"
#include "slider/TarvelTypeLib.h"

namespace {

// Records Scroll events of one control.
class ScrollSink final : public IDispatch {
public:
    std::vector<LONG> scrolls;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override
    {
        EXPECT_EQ(id, DISPID_TARVEL_SCROLL);
        EXPECT_EQ(params->cArgs, 1u);
        EXPECT_EQ(params->rgvarg[0].vt, VT_I4);
        scrolls.push_back(params->rgvarg[0].lVal);
        return S_OK;
    }
};

class TarvelControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib_ = dlopen(TARVEL_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib_, nullptr) << dlerror();
        getClass_ = reinterpret_cast<PFN_DllGetClassObject>(dlsym(lib_, "DllGetClassObject"));
        ASSERT_NE(getClass_, nullptr);
        control = Create<IDispatch>(CLSID_Tarvel, IID_IDispatch);
        ASSERT_NE(control, nullptr);
        void* p = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, &p), S_OK);
        auto* cpc = static_cast<IConnectionPointContainer*>(p);
        ASSERT_EQ(cpc->FindConnectionPoint(DIID__DTarvelEvents, &point_), S_OK);
        cpc->Release();
        ASSERT_EQ(point_->Advise(&sink, &cookie_), S_OK);
    }
    void TearDown() override
    {
        if (point_) {
            point_->Unadvise(cookie_);
            point_->Release();
        }
        if (control) control->Release();
        parent.reset();
        if (lib_) dlclose(lib_);
    }

    template <class T>
    T* Create(REFCLSID clsid, REFIID iid)
    {
        IClassFactory* factory = nullptr;
        if (FAILED(getClass_(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
        void* obj = nullptr;
        factory->CreateInstance(nullptr, iid, &obj);
        factory->Release();
        return static_cast<T*>(obj);
    }

    QWidget* MakeWindow()
    {
        parent = std::make_unique<QWidget>();
        parent->resize(100, 260);
        void* p = nullptr;
        EXPECT_EQ(control->QueryInterface(IID_IControlWindow, &p), S_OK);
        auto* win = static_cast<IControlWindow*>(p);
        QWidget* w = nullptr;
        EXPECT_EQ(win->CreateControlWindow(parent.get(), 0, 0, 0, 0, 1004, &w), S_OK);
        EXPECT_EQ(win->CreateControlWindow(parent.get(), 0, 0, 0, 0, 1004, nullptr), E_UNEXPECTED);
        win->Release();
        parent->show();
        return w;
    }

    HRESULT Get(DISPID id, LONG* value)
    {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT r;
        VariantInit(&r);
        const HRESULT hr = control->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr);
        *value = r.lVal;
        return hr;
    }
    HRESULT Put(DISPID id, LONG value)
    {
        VARIANT a;
        VariantInit(&a);
        a.vt = VT_I4;
        a.lVal = value;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&a, &named, 1, 1};
        return control->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    }
    HRESULT SetRange(LONG lo, LONG hi)
    {
        VARIANT a[2];
        VariantInit(&a[0]);
        VariantInit(&a[1]);
        a[0].vt = VT_I4;
        a[0].lVal = hi;
        a[1].vt = VT_I4;
        a[1].lVal = lo;
        DISPPARAMS params{a, nullptr, 2, 0};
        return control->Invoke(DISPID_TARVEL_SETRANGE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                               nullptr);
    }
    void Key(QWidget* w, int key)
    {
        QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    }

    IDispatch* control = nullptr;
    ScrollSink sink;
    std::unique_ptr<QWidget> parent;

private:
    void* lib_ = nullptr;
    PFN_DllGetClassObject getClass_ = nullptr;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
};

TEST_F(TarvelControl, DispatchMembersByTheirIds)
{
    LONG v = 0;
    ASSERT_EQ(Get(DISPID_TARVEL_RANGEMAX, &v), S_OK);
    EXPECT_EQ(v, 100);
    ASSERT_EQ(SetRange(-2000, 0), S_OK);
    ASSERT_EQ(Put(DISPID_TARVEL_POS, 150), S_OK);  // stored unclamped
    Get(DISPID_TARVEL_POS, &v);
    EXPECT_EQ(v, 150);
    Get(DISPID_TARVEL_RANGEMIN, &v);
    EXPECT_EQ(v, -2000);

    LONG lo = 1, hi = 1;
    VARIANT a[2];
    a[0].vt = VT_I4 | VT_BYREF;
    a[0].plVal = &hi;
    a[1].vt = VT_I4 | VT_BYREF;
    a[1].plVal = &lo;
    DISPPARAMS params{a, nullptr, 2, 0};
    ASSERT_EQ(control->Invoke(DISPID_TARVEL_GETRANGE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                              nullptr),
              S_OK);
    EXPECT_EQ(lo, -2000);
    EXPECT_EQ(hi, 0);

    OLECHAR name[] = L"SetRange";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    ASSERT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, DISPID_TARVEL_SETRANGE);
    UINT count = 0;
    control->GetTypeInfoCount(&count);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(Get(6, &v), DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(sink.scrolls.empty());
}

TEST_F(TarvelControl, WindowCreationReplacesEarlierValuesAndUserInputFires)
{
    SetRange(-5, 5);
    QWidget* w = MakeWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(38, 205));  // from the default extent
    LONG v = 0;
    Get(DISPID_TARVEL_RANGEMIN, &v);
    EXPECT_EQ(v, 0);
    Get(DISPID_TARVEL_POS, &v);
    EXPECT_EQ(v, 50);

    SetRange(0, 1000);
    Put(DISPID_TARVEL_POS, 50);
    EXPECT_TRUE(sink.scrolls.empty());
    Key(w, Qt::Key_PageDown);
    ASSERT_EQ(sink.scrolls, (std::vector<LONG>{150}));  // page step 100, delivered before return
    Key(w, Qt::Key_Left);
    EXPECT_EQ(sink.scrolls.size(), 1u);

    // Pointer: press on the knob (offset 24 at 150 of 1000) and drag one whole unit.
    auto send = [w](QEvent::Type t, int y, Qt::MouseButtons b) {
        QMouseEvent ev(t, QPointF(15, y), w->mapToGlobal(QPointF(15, y)),
                       t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, b, Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    };
    send(QEvent::MouseButtonPress, 40, Qt::LeftButton);
    send(QEvent::MouseMove, 41, Qt::LeftButton);  // 6.1 units
    send(QEvent::MouseButtonRelease, 41, Qt::NoButton);
    EXPECT_EQ(sink.scrolls, (std::vector<LONG>{150, 156}));
    Get(DISPID_TARVEL_POS, &v);
    EXPECT_EQ(v, 156);
}

TEST_F(TarvelControl, DesignModeFromTheContainer)
{
    QWidget* w = MakeWindow();
    ASSERT_NE(w, nullptr);
    void* p = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IControlWindow, &p), S_OK);
    auto* win = static_cast<IControlWindow*>(p);
    EXPECT_EQ(win->GetControlWindow(), w);
    EXPECT_EQ(win->SetAmbientUserMode(FALSE), S_OK);
    QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(19, 100), qRgb(200, 50, 50));
    win->SetAmbientUserMode(TRUE);
    img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(img.pixel(19, 100), qRgb(200, 50, 50));
    win->Release();
}

TEST_F(TarvelControl, PersistedRecordIsFourLittleEndianWords)
{
    void* p = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IPersistStreamInit, &p), S_OK);
    auto* persist = static_cast<IPersistStreamInit*>(p);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnMemory(nullptr, 0, &stream), S_OK);
    ASSERT_EQ(persist->Save(stream, TRUE), S_OK);
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    EXPECT_EQ(st.cbSize.QuadPart, 16u);
    stream->Release();

    const BYTE record[16] = {0x00, 0x00, 0x01, 0x00, 0xED, 0x03, 0, 0, 0x30, 0x15, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(CreateStreamOnMemory(record, 16, &stream), S_OK);
    Put(DISPID_TARVEL_POS, 77);
    ASSERT_EQ(persist->Load(stream), S_OK);
    stream->Release();
    LONG v = 0;
    Get(DISPID_TARVEL_POS, &v);
    EXPECT_EQ(v, 77);  // loading leaves the properties alone

    ASSERT_EQ(CreateStreamOnMemory(nullptr, 0, &stream), S_OK);
    persist->Save(stream, TRUE);
    LARGE_INTEGER zero{0};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    BYTE back[16] = {};
    ULONG read = 0;
    stream->Read(back, 16, &read);
    stream->Release();
    EXPECT_EQ(read, 16u);
    EXPECT_EQ(0, std::memcmp(back, record, 16));  // extent 1005 x 5424

    ASSERT_EQ(CreateStreamOnMemory(record, 10, &stream), S_OK);
    EXPECT_FALSE(SUCCEEDED(persist->Load(stream)));  // short record refused
    stream->Release();
    persist->Release();
}

class TarvelPage : public TarvelControl {
protected:
    void SetUp() override
    {
        TarvelControl::SetUp();
        page = Create<IPageWindow>(CLSID_TarvelPropPage, IID_IPageWindow);
        ASSERT_NE(page, nullptr);
        IUnknown* objs[] = {control};
        ASSERT_EQ(page->SetObjects(1, objs), S_OK);
        host = std::make_unique<QWidget>();
        ASSERT_EQ(page->Activate(host.get(), &window), S_OK);
    }
    void TearDown() override
    {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->Release();
        host.reset();
        TarvelControl::TearDown();
    }
    QSpinBox* Field(int id) { return window->findChild<QSpinBox*>(QString::number(id)); }

    IPageWindow* page = nullptr;
    std::unique_ptr<QWidget> host;
    QWidget* window = nullptr;
};

TEST_F(TarvelPage, LoadsTheControlsValues)
{
    ASSERT_NE(Field(205), nullptr);
    EXPECT_EQ(Field(205)->value(), 50);
    EXPECT_EQ(Field(203)->value(), 100);
    EXPECT_EQ(Field(201)->value(), 0);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        }
    }
}

TEST_F(TarvelPage, RejectsOutOfBoundsFieldsAndAppliesNothing)
{
    Field(203)->setValue(40000);
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(page->Apply(), E_FAIL);
    LONG v = 0;
    Get(DISPID_TARVEL_RANGEMAX, &v);
    EXPECT_EQ(v, 100);

    // A position above the applied maximum fails even with a higher maximum entered.
    Field(203)->setValue(200);
    Field(205)->setValue(150);
    EXPECT_EQ(page->Apply(), E_FAIL);
    Get(DISPID_TARVEL_RANGEMAX, &v);
    EXPECT_EQ(v, 100);

    Field(205)->setValue(50);
    ASSERT_EQ(page->Apply(), S_OK);
    Get(DISPID_TARVEL_RANGEMAX, &v);
    EXPECT_EQ(v, 200);
    Field(205)->setValue(150);
    ASSERT_EQ(page->Apply(), S_OK);
    Get(DISPID_TARVEL_POS, &v);
    EXPECT_EQ(v, 150);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_TRUE(sink.scrolls.empty());
}

TEST_F(TarvelPage, UpDownsStopAtTheirEnds)
{
    for (int id : {201, 203, 205}) {
        QSpinBox* f = Field(id);
        f->setValue(32766);
        f->stepUp();
        f->stepUp();
        EXPECT_EQ(f->value(), 32767) << id;
        f->setValue(1);
        f->stepDown();
        f->stepDown();
        EXPECT_EQ(f->value(), 0) << id;
        f->setValue(-2000);  // the edit still holds values outside the up-down's range
        EXPECT_EQ(f->value(), -2000) << id;
    }
}

}  // namespace

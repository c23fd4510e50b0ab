#include "slider/CTarvelPropPage.h"

#include <QFont>
#include <QLabel>

#include "slider/TarvelResources.h"
#include "slider/TarvelTypeLib.h"
#include "slider/TarvelUpDownEdit.h"
#include "slider/TarvelWidget.h"

namespace {

// Dialog units of the template's 8-point font.
QRect Du(int x, int y, int w, int h)
{
    auto px = [](int du) { return du * 3 / 2; };
    auto py = [](int du) { return du * 13 / 8; };
    return QRect(px(x), py(y), px(w), py(h));
}

HRESULT GetLong(IDispatch* d, DISPID id, LONG* out)
{
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                           nullptr);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&result, &result, 0, VT_I4);
    if (SUCCEEDED(hr)) *out = result.lVal;
    VariantClear(&result);
    return hr;
}

HRESULT PutLong(IDispatch* d, DISPID id, LONG value)
{
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

}  // namespace

CTarvelPropPage::CTarvelPropPage(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QString::fromLatin1(TarvelRes::kPageCaption));
    QFont pageFont = font();  // the template's 8 points
    pageFont.setPointSize(8);
    setFont(pageFont);
    setFixedSize(Du(0, 0, 250, 110).size());

    auto* logo = new QLabel(this);
    logo->setPixmap(TarvelWidget::LoadBitmap(TarvelRes::IDB_LOGO));
    logo->setGeometry(Du(185, 7, 58, 12));

    auto makeField = [this](int id, QRect editRect, QRect spinRect) {
        auto* edit = new TarvelUpDownEdit(this);
        edit->setObjectName(QString::number(id));
        edit->setGeometry(editRect.united(spinRect));
        return edit;
    };
    // The toolkit's font is wider than the template's: a label grows to its text rather
    // than being cut.
    auto makeLabel = [this](const char* text, QRect rect) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        const QSize hint = label->sizeHint();
        rect.setSize(rect.size().expandedTo(hint));
        label->setGeometry(rect);
    };
    rangeMin_ = makeField(IDC_RANGEMIN, Du(47, 38, 40, 14), Du(86, 38, 11, 14));
    makeLabel("Minimum of slider's range", Du(30, 27, 79, 8));
    rangeMax_ = makeField(IDC_RANGEMAX, Du(47, 70, 40, 14), Du(86, 70, 11, 14));
    makeLabel("Maximum of slider's range", Du(30, 54, 81, 8));
    pos_ = makeField(IDC_POS, Du(152, 57, 40, 14), Du(190, 57, 11, 14));
    makeLabel("Slider's Position", Du(134, 46, 50, 8));
    error_ = new QLabel(this);
    error_->setGeometry(Du(4, 90, 242, 16));
    error_->setStyleSheet(QStringLiteral("color: #b00000"));

    for (TarvelUpDownEdit* e : {pos_, rangeMin_, rangeMax_}) {
        e->SetUpDownRange(kUpDownLower, kUpDownUpper);
        e->setValue(0);
    }
    setTabOrder(rangeMin_, rangeMax_);
    setTabOrder(rangeMax_, pos_);
}

CTarvelPropPage::~CTarvelPropPage() { ReleaseObjects(); }

void CTarvelPropPage::ReleaseObjects()
{
    for (IDispatch* d : objects_) d->Release();
    objects_.clear();
}

void CTarvelPropPage::SetObjects(const std::vector<IDispatch*>& objects)
{
    ReleaseObjects();
    for (IDispatch* d : objects) {
        if (d == nullptr) continue;
        d->AddRef();
        objects_.push_back(d);
    }
}

TarvelUpDownEdit* CTarvelPropPage::Field(int id) const
{
    switch (id) {
    case IDC_RANGEMIN: return rangeMin_;
    case IDC_RANGEMAX: return rangeMax_;
    case IDC_POS: return pos_;
    default: return nullptr;
    }
}

void CTarvelPropPage::Show(TarvelUpDownEdit* edit, LONG value)
{
    edit->setValue(value);
}

void CTarvelPropPage::Load()
{
    error_->clear();
    if (!objects_.empty()) {
        IDispatch* d = objects_.front();
        GetLong(d, DISPID_TARVEL_POS, &m_pos);
        GetLong(d, DISPID_TARVEL_RANGEMAX, &m_rangeMax);
        GetLong(d, DISPID_TARVEL_RANGEMIN, &m_rangeMin);
    }
    Show(pos_, m_pos);
    Show(rangeMax_, m_rangeMax);
    Show(rangeMin_, m_rangeMin);
}

bool CTarvelPropPage::Exchange(TarvelUpDownEdit* edit, LONG lower, LONG upper, LONG* member)
{
    int value = 0;
    if (!edit->TextAsInteger(&value)) {
        error_->setText(QStringLiteral("Please enter an integer."));
    } else if (value < lower || value > upper) {
        error_->setText(QStringLiteral("Please enter an integer between %1 and %2.").arg(lower).arg(upper));
    } else {
        *member = value;
        return true;
    }
    edit->setFocus();
    edit->selectAll();
    emit ValidationFailed(error_->text());
    return false;
}

bool CTarvelPropPage::IsDirty() const
{
    int p = 0, hi = 0, lo = 0;
    return !pos_->TextAsInteger(&p) || !rangeMax_->TextAsInteger(&hi) || !rangeMin_->TextAsInteger(&lo) ||
           p != m_pos || hi != m_rangeMax || lo != m_rangeMin;
}

bool CTarvelPropPage::Apply()
{
    error_->clear();
    const LONG oldPos = m_pos, oldMax = m_rangeMax, oldMin = m_rangeMin;
    LONG pos = m_pos, rangeMax = m_rangeMax, rangeMin = m_rangeMin;
    // The position is checked against the range as last loaded or applied.
    if (!Exchange(pos_, m_rangeMin, m_rangeMax, &pos)) return false;
    if (!Exchange(rangeMax_, kUpDownLower, kUpDownUpper, &rangeMax)) return false;
    if (!Exchange(rangeMin_, kUpDownLower, kUpDownUpper, &rangeMin)) return false;
    m_pos = pos;
    m_rangeMax = rangeMax;
    m_rangeMin = rangeMin;
    for (IDispatch* d : objects_) {
        if (m_pos != oldPos) PutLong(d, DISPID_TARVEL_POS, m_pos);
        if (m_rangeMax != oldMax) PutLong(d, DISPID_TARVEL_RANGEMAX, m_rangeMax);
        if (m_rangeMin != oldMin) PutLong(d, DISPID_TARVEL_RANGEMIN, m_rangeMin);
    }
    return true;
}

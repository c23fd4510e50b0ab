#pragma once

#include <QLabel>
#include <QWidget>

#include <vector>

#include "platform/com/Automation.h"

class TarvelUpDownEdit;

// The General page: RangeMin, RangeMax and Pos of the edited controls, each in an edit
// with an up-down (0..32767). Saving checks the position against the range as it was last
// loaded or applied, then each range field against 0..32767, and applies only when all
// three pass.
class CTarvelPropPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int kUpDownLower = 0;
    static constexpr int kUpDownUpper = 32767;
    // Control ids of the page's template.
    static constexpr int IDC_RANGEMIN = 201;
    static constexpr int IDC_RANGEMIN_SPIN = 202;
    static constexpr int IDC_RANGEMAX = 203;
    static constexpr int IDC_RANGEMAX_SPIN = 204;
    static constexpr int IDC_POS = 205;
    static constexpr int IDC_POS_SPIN = 206;

    explicit CTarvelPropPage(QWidget* parent = nullptr);
    ~CTarvelPropPage() override;

    // The controls to edit; the page holds a reference to each.
    void SetObjects(const std::vector<IDispatch*>& objects);
    // Reads the first object's properties into the fields.
    void Load();
    // Validates in the designed order and applies the changed values to every object.
    // false: a field is out of bounds, nothing was applied, ErrorText() says why.
    bool Apply();
    bool IsDirty() const;

    TarvelUpDownEdit* Field(int id) const;
    QString ErrorText() const { return error_->text(); }
    LONG PosValue() const { return m_pos; }
    LONG RangeMaxValue() const { return m_rangeMax; }
    LONG RangeMinValue() const { return m_rangeMin; }

signals:
    void ValidationFailed(const QString& text);

private:
    bool Exchange(TarvelUpDownEdit* edit, LONG lower, LONG upper, LONG* member);
    void ReleaseObjects();
    void Show(TarvelUpDownEdit* edit, LONG value);

    LONG m_pos = 0;
    LONG m_rangeMax = 0;
    LONG m_rangeMin = 0;
    std::vector<IDispatch*> objects_;
    TarvelUpDownEdit* rangeMin_;
    TarvelUpDownEdit* rangeMax_;
    TarvelUpDownEdit* pos_;
    QLabel* error_;
};

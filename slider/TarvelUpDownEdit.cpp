#include "slider/TarvelUpDownEdit.h"

#include <QLineEdit>

#include <climits>

TarvelUpDownEdit::TarvelUpDownEdit(QWidget* parent) : QSpinBox(parent)
{
    setRange(INT_MIN, INT_MAX);
    setAlignment(Qt::AlignLeft);
    setKeyboardTracking(false);
}

void TarvelUpDownEdit::SetUpDownRange(int lower, int upper)
{
    lower_ = lower;
    upper_ = upper;
}

bool TarvelUpDownEdit::TextAsInteger(int* value) const
{
    bool ok = false;
    const qlonglong v = cleanText().trimmed().toLongLong(&ok);
    if (!ok || v < INT_MIN || v > INT_MAX) return false;
    *value = static_cast<int>(v);
    return true;
}

void TarvelUpDownEdit::stepBy(int steps)
{
    int current = 0;
    if (!TextAsInteger(&current)) current = lower_;
    long long next = static_cast<long long>(current) + steps;
    if (next < lower_) next = lower_;
    if (next > upper_) next = upper_;
    setValue(static_cast<int>(next));
    selectAll();
}

QAbstractSpinBox::StepEnabled TarvelUpDownEdit::stepEnabled() const
{
    int current = 0;
    if (!TextAsInteger(&current)) return StepUpEnabled | StepDownEnabled;
    StepEnabled e = StepNone;
    if (current < upper_) e |= StepUpEnabled;
    if (current > lower_) e |= StepDownEnabled;
    return e;
}

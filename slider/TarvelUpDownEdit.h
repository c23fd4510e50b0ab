#pragma once

#include <QSpinBox>

// An edit with its buddy up-down: the text takes any signed integer, the arrows move it
// within the up-down's own range and stop at its ends.
class TarvelUpDownEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit TarvelUpDownEdit(QWidget* parent = nullptr);

    void SetUpDownRange(int lower, int upper);
    int UpDownLower() const { return lower_; }
    int UpDownUpper() const { return upper_; }

    // The edit's text as a signed integer; false when it is not one.
    bool TextAsInteger(int* value) const;

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int lower_ = 0;
    int upper_ = 100;
};

#pragma once

#include <QWidget>

class CLevelMeter;

// A level meter on the screen: copies each lamp out of the meter's cached picture. Lamps
// changed on another thread are redrawn on the window's thread, and only those.
class LevelMeterWidget : public QWidget {
    Q_OBJECT
public:
    LevelMeterWidget(CLevelMeter& meter, QWidget* parent);
    ~LevelMeterWidget() override;

    // Lamps drawn by the paint events so far.
    int GetPaintedLamps() const { return paintedLamps; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CLevelMeter& meter;
    int paintedLamps = 0;
};

#pragma once

#include <QImage>
#include <QRgb>
#include <QWidget>

#include <vector>

// The product picture shown centred and on top for two seconds while the main window
// appears. At most one exists; it deletes itself when its window is gone.
class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static void EnableSplash(bool on);
    // Nothing when the switch is off or a splash window exists.
    static void ShowSplash(QWidget* parent);
    static void HideSplash();
    // The splash window shown now, or null.
    static CSplashWnd* Current();

    const std::vector<QRgb>& GetPalette() const { return palette; }
    static constexpr int DisplayMs = 2000;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CSplashWnd(QWidget* parent);
    ~CSplashWnd() override;
    bool Create();

    QImage bitmap;
    std::vector<QRgb> palette;
    int timerId = 0;
};

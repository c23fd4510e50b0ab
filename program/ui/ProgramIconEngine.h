#pragma once

#include <QIconEngine>
#include <QImage>

// Shows a 32 x 32 control icon the way a button shows an icon image: at its own size,
// centred on the requested size and clipped by it, never scaled to fit (only by the
// screen's device-pixel ratio). The picture of each icon sits in its middle, sized for
// its control, so any requested size shows it whole and sharp.
class ProgramIconEngine : public QIconEngine {
public:
    // image: 32-bit with alpha.
    explicit ProgramIconEngine(QImage image);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    QImage image;
};

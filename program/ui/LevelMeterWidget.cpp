#include "program/ui/LevelMeterWidget.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "program/ui/CLevelMeter.h"

namespace {

QRect ToQRect(const CLevelMeter::Rect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

LevelMeterWidget::LevelMeterWidget(CLevelMeter& levelMeter, QWidget* parent)
    : QWidget(parent), meter(levelMeter)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    meter.SetInvalidate([this](const CLevelMeter::Rect& r) {
        const QRect rect = ToQRect(r);
        QMetaObject::invokeMethod(this, [this, rect] { update(rect); }, Qt::QueuedConnection);
    });
}

LevelMeterWidget::~LevelMeterWidget()
{
    meter.SetInvalidate(nullptr);
}

void LevelMeterWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    meter.SetClientSize(width(), height());
    update();
}

// Without a cache the lamps are drawn into a picture of their own first.
void LevelMeterWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    int dx = 0, dy = 0;
    meter.GetLitOffset(&dx, &dy);
    meter.WithCache([&](const CLevelMeter::Cache* cache, const std::vector<CLevelMeter::Step>& steps) {
        CLevelMeter::Cache drawn;
        if (!cache) {
            drawn.width = width();
            drawn.height = height();
            drawn.pixels.assign(std::size_t(drawn.width) * std::size_t(drawn.height), 0xFF000000u);
            for (const CLevelMeter::Step& step : steps) CLevelMeter::DrawSegment(drawn, step);
            dx = dy = 0;
        }
        const CLevelMeter::Cache& source = cache ? *cache : drawn;
        if (source.width <= 0 || source.height <= 0) return;
        const QImage picture(reinterpret_cast<const uchar*>(source.pixels.data()), source.width, source.height,
                             source.width * 4, QImage::Format_RGB32);
        QRegion rest = event->region();
        for (const CLevelMeter::Step& step : steps) rest -= ToQRect(step.rect);
        for (const QRect& r : rest) painter.fillRect(r, palette().window());
        for (const CLevelMeter::Step& step : steps) {
            const QRect target = ToQRect(step.rect);
            if (!event->region().intersects(target)) continue;
            const QRect from = step.lit && cache ? target.translated(dx, dy) : target;
            painter.drawImage(target.topLeft(), picture, from);
            ++paintedLamps;
        }
    });
}

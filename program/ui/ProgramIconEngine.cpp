#include "program/ui/ProgramIconEngine.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <utility>

ProgramIconEngine::ProgramIconEngine(QImage icon) : image(std::move(icon)) {}

void ProgramIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal scale = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size() * scale, mode, state, scale));
}

QPixmap ProgramIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

// size is in device pixels; the icon is centred on size / scale logical pixels.
QPixmap ProgramIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    if (size.isEmpty() || image.isNull()) return {};
    const QSize logical(qMax(1, int(std::lround(size.width() / scale))), qMax(1, int(std::lround(size.height() / scale))));
    // Pixels outside the icon come out transparent.
    QImage canvas = image.copy(-((logical.width() - image.width()) / 2), -((logical.height() - image.height()) / 2),
                               logical.width(), logical.height());
    if (scale != 1.0) canvas = canvas.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap shown = QPixmap::fromImage(canvas);
    // Disabled and selected looks come from the toolkit's own treatment of a plain pixmap.
    if (mode != QIcon::Normal) shown = QIcon(shown).pixmap(shown.size(), mode, state);
    shown.setDevicePixelRatio(scale);
    return shown;
}

QSize ProgramIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    return size;
}

QIconEngine* ProgramIconEngine::clone() const
{
    return new ProgramIconEngine(image);
}

QString ProgramIconEngine::key() const
{
    return QStringLiteral("ProgramIconEngine");
}

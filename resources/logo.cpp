#include "logo.h"

#include <QImage>

using namespace Qt::StringLiterals;

QPixmap logoPixmap(const QString &name, qreal ratio)
{
    const QImage base(u":/%1.png"_s.arg(name));
    if (ratio <= 1 || base.isNull())
        return QPixmap::fromImage(base);
    QImage large(u":/%1@2x.png"_s.arg(name));
    if (large.isNull())
        return QPixmap::fromImage(base);
    const QSize device(qRound(base.width() * ratio), qRound(base.height() * ratio));
    if (large.size() != device)
        large = large.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap pixmap = QPixmap::fromImage(large);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

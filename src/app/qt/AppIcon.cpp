#include "app/qt/AppIcon.h"

#include <array>
#include <cmath>
#include <numbers>

#include <QColor>
#include <QPainter>
#include <QPainterPath>

namespace moxel {

namespace {

const QColor socketFace(32, 32, 32);
const QColor rim(224, 224, 224);
const QColor pin(255, 255, 255);
const QColor inputLamp(0, 208, 0);
const QColor outputLamp(232, 0, 0);

} // namespace

QPixmap paintAppIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 32 x 32 grid.
    painter.scale(size / 32.0, size / 32.0);

    // The socket: a dark face in a light rim, with the key notch at the bottom.
    painter.setPen(QPen(rim, 2.5));
    painter.setBrush(socketFace);
    painter.drawEllipse(QPointF(16, 16), 14.2, 14.2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(rim);
    painter.drawRect(QRectF(13.5, 24.5, 5, 5.5));

    // Five pins on the upper half circle; the outer two are the lamps.
    constexpr double pinRadius = 9.0;
    constexpr std::array<double, 5> anglesDegrees{180, 135, 90, 45, 0};
    for (std::size_t i = 0; i < anglesDegrees.size(); ++i) {
        const double angle = anglesDegrees[i] * std::numbers::pi / 180.0;
        const QPointF centre(16 + pinRadius * std::cos(angle), 17 - pinRadius * std::sin(angle));
        const bool outer = i == 0 || i == anglesDegrees.size() - 1;
        painter.setBrush(i == 0 ? inputLamp : (outer ? outputLamp : pin));
        const double r = outer ? 3.0 : 2.3;
        painter.drawEllipse(centre, r, r);
    }
    return pixmap;
}

QIcon appIcon() {
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        icon.addPixmap(paintAppIcon(size));
    }
    return icon;
}

} // namespace moxel

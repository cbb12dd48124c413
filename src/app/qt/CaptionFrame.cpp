#include "app/qt/CaptionFrame.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace moxel {

namespace {

constexpr int captionLeft = 8; // from the frame's left edge
constexpr int captionGap = 2;  // free line on either side of the caption

} // namespace

CaptionFrame::CaptionFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
}

QRect CaptionFrame::captionRect() const {
    const QFontMetrics metrics(font());
    const int width = metrics.horizontalAdvance(title(), Qt::TextHideMnemonic);
    return {captionLeft, 0, width, metrics.height()};
}

void CaptionFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect caption = captionRect();
    const int top = caption.height() / 2;
    const int right = width() - 1;
    const int bottom = height() - 1;

    // Etched: a shadow line with a light line one pixel to its lower right,
    // both broken where the caption stands.
    const QPalette system = QApplication::palette(this);
    const int gapLeft = caption.left() - captionGap;
    const int gapRight = caption.right() + captionGap;
    const auto drawBorder = [&](int offset, const QColor& color) {
        painter.setPen(color);
        const int l = offset;
        const int t = top + offset;
        const int r = right - 1 + offset;
        const int b = bottom - 1 + offset;
        painter.drawLine(l, t, gapLeft, t);
        painter.drawLine(gapRight, t, r, t);
        painter.drawLine(l, t, l, b);
        painter.drawLine(l, b, r, b);
        painter.drawLine(r, t, r, b);
    };
    drawBorder(0, system.color(QPalette::Dark));
    drawBorder(1, system.color(QPalette::Light));

    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextHideMnemonic, title());
}

void CaptionFrame::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CaptionFrame::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void CaptionFrame::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

} // namespace moxel

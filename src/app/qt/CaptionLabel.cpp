#include "app/qt/CaptionLabel.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QMouseEvent>

namespace moxel {

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setContentsMargins(0, 0, 0, 0);
}

int CaptionLabel::captionWidth(const QString& text) const {
    const QFontMetricsF metrics(font());
    // A glyph may reach past its advance (bold faces); keep its ink inside.
    const qreal ink = metrics.boundingRect(text).right();
    return static_cast<int>(std::ceil(std::max(metrics.horizontalAdvance(text), ink)));
}

void CaptionLabel::setCaption(const QString& text) {
    setText(text);
    resize(std::max(1, captionWidth(text)), height());
}

void CaptionLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void CaptionLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
}

} // namespace moxel

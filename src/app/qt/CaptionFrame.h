#pragma once

#include <QGroupBox>

namespace moxel {

// A captioned group frame drawn the classic way, whatever the desktop's
// style: an etched line whose top edge runs through the middle of the
// caption, the caption in the frame's text colour, no background of its own.
// Children are placed from the frame's top-left corner, caption band
// included. A mouse press on it is its own and never reaches the window.
class CaptionFrame : public QGroupBox {
    Q_OBJECT
  public:
    CaptionFrame(const QString& title, QWidget* parent);

    // Where the caption is drawn, in the frame's coordinates.
    QRect captionRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

} // namespace moxel

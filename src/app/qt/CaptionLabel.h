#pragma once

#include <QLabel>

namespace moxel {

// A label of the main window: plain text on no background of its own, never
// focused. A mouse press on it is its own and never reaches the window
// behind it. Its width follows its caption.
class CaptionLabel : public QLabel {
    Q_OBJECT
  public:
    explicit CaptionLabel(QWidget* parent);

    // Sets the text and makes the label exactly as wide as the text needs,
    // keeping its left, top and height.
    void setCaption(const QString& text);

    // The width the text needs in the label's font.
    int captionWidth(const QString& text) const;

  signals:
    void doubleClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace moxel

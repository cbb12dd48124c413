#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <QObject>
#include <QPoint>

#include "app/window/MenuTree.h"

class QAction;
class QMenu;
class QWidget;

namespace moxel {

// The program's pop-up menu, built from the menu tree. Each action carries
// the item's name as its object name and the item's index (-1 for single
// items) as its data; an item's key shows at its right. Choosing an item
// reports its name and index. Check marks change only through setChecked:
// choosing a checkable item leaves its mark as it was, the handler decides.
class PopupMenu : public QObject {
    Q_OBJECT
  public:
    using ChosenHandler = std::function<void(const std::string& name, int index)>;

    PopupMenu(QWidget* parent, ChosenHandler onChosen);

    // Opens the menu with its top-left corner at `position` (global) and
    // returns when it is closed. Items are chosen with the left button, and
    // with the right button too when eitherButtonChooses is set.
    void exec(QPoint position, bool eitherButtonChooses);

    // The item of that name and index (-1: not a menu array).
    void setChecked(std::string_view name, int index, bool checked);

    QMenu* menu() const { return root_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void addItems(QMenu* menu, const MenuNode& node);
    QAction* addItem(QMenu* menu, const MenuNode& node);

    ChosenHandler onChosen_;
    QMenu* root_ = nullptr;
    bool eitherButtonChooses_ = true;
};

} // namespace moxel

#include "app/qt/PopupMenu.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

#include "app/qt/AppFonts.h"

namespace moxel {

namespace {

// Menu texts are shown as they are: no access-key markers.
QString literalText(const std::string& caption) {
    return QString::fromStdString(caption).replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

PopupMenu::PopupMenu(QWidget* parent, ChosenHandler onChosen)
    : QObject(parent), onChosen_(std::move(onChosen)) {
    const MenuNode& tree = mainMenu();
    root_ = new QMenu(literalText(tree.caption), parent);
    root_->setObjectName(QString::fromStdString(tree.name));
    addItems(root_, tree);
}

void PopupMenu::addItems(QMenu* menu, const MenuNode& node) {
    menu->setFont(menuFont());
    menu->installEventFilter(this);
    for (const MenuNode& child : node.children) {
        addItem(menu, child);
    }
}

QAction* PopupMenu::addItem(QMenu* menu, const MenuNode& node) {
    QAction* action = nullptr;
    switch (node.kind) {
    case MenuKind::Separator:
        action = menu->addSeparator();
        break;
    case MenuKind::Submenu: {
        QMenu* submenu = menu->addMenu(literalText(node.caption));
        submenu->setObjectName(QString::fromStdString(node.name));
        addItems(submenu, node);
        action = submenu->menuAction();
        break;
    }
    case MenuKind::Item:
        // A menu shows the text after a tab as the item's key, at the right.
        action = menu->addAction(node.shortcut.empty()
                                     ? literalText(node.caption)
                                     : literalText(node.caption + '\t' + node.shortcut));
        action->setCheckable(node.checkable);
        connect(action, &QAction::triggered, this,
                [this, action, name = node.name, index = node.index](bool checked) {
                    if (action->isCheckable()) {
                        action->setChecked(!checked); // undo Qt's own toggle
                    }
                    onChosen_(name, index);
                });
        break;
    }
    action->setObjectName(QString::fromStdString(node.name));
    action->setData(node.index);
    return action;
}

void PopupMenu::exec(QPoint position, bool eitherButtonChooses) {
    eitherButtonChooses_ = eitherButtonChooses;
    root_->exec(position);
}

void PopupMenu::setChecked(std::string_view name, int index, bool checked) {
    const QString objectName = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    for (QAction* action : root_->findChildren<QAction*>(objectName)) {
        if (action->isCheckable() && action->data().toInt() == index) {
            action->setChecked(checked);
        }
    }
}

// A QMenu chooses an item on the release of any mouse button; releases of the
// buttons that may not choose are kept from it, so the menu stays open.
bool PopupMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) {
        return QObject::eventFilter(watched, event);
    }
    const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    const bool chooses =
        button == Qt::LeftButton || (button == Qt::RightButton && eitherButtonChooses_);
    return !chooses;
}

} // namespace moxel

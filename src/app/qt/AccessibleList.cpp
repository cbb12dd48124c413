#include "app/qt/AccessibleList.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace moxel {

namespace {

QAccessibleInterface* listFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox") && object->isWidgetType()) {
        return new AccessibleList(static_cast<QComboBox*>(object));
    }
    return nullptr;
}

} // namespace

AccessibleList::AccessibleList(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

void AccessibleList::install() {
    static const bool installed = [] {
        QAccessible::installFactory(listFactory); // asked before Qt's own
        return true;
    }();
    (void)installed;
}

QComboBox* AccessibleList::list() const {
    return static_cast<QComboBox*>(widget());
}

QString AccessibleList::text(QAccessible::Text t) const {
    if (t == QAccessible::Value || (t == QAccessible::Name && list()->accessibleName().isEmpty())) {
        return list()->currentText();
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleList::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = list()->view()->isVisible();
    return state;
}

int AccessibleList::childCount() const {
    return 1;
}

QAccessibleInterface* AccessibleList::child(int index) const {
    return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
}

int AccessibleList::indexOfChild(const QAccessibleInterface* child) const {
    return child != nullptr && child->object() == list()->view() ? 0 : -1;
}

QStringList AccessibleList::actionNames() const {
    return QAccessibleWidget::actionNames() << showMenuAction() << pressAction();
}

void AccessibleList::doAction(const QString& actionName) {
    if (actionName != showMenuAction() && actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
    } else if (list()->view()->isVisible()) {
        list()->hidePopup();
    } else {
        list()->showPopup();
    }
}

} // namespace moxel

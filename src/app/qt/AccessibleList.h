#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace moxel {

// What assistive technology sees of a drop-down list. On Linux, Qt's own
// names a list by the entry it shows; this one names it by its accessible
// name (what the list is for), with the entry as its value and description
// (its tooltip), the open list as its one child, and the actions that open
// and close it.
class AccessibleList : public QAccessibleWidget {
  public:
    explicit AccessibleList(QComboBox* list);

    // Makes every drop-down list of the program one (before any is made).
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    QComboBox* list() const;
};

} // namespace moxel

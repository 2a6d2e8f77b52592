// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "accessibility/accessibility.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QVariant>

namespace accessibility {
namespace {

// The role a widget was given, and the class it was given it as. While its destructor runs, a
// widget reports a base class: then it is left to Qt's own factory, which makes no accessible
// object for a widget that is going away.
struct Marking
{
    QAccessible::Role role;
    const QMetaObject *asClass;
};

constexpr char markingProperty[] = "accessibility.marking";
constexpr char leftOutProperty[] = "accessibility.leftOut";

class MarkedWidget final : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(shownChildren().size()); }
    QAccessibleInterface *child(int index) const override { return shownChildren().value(index); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(shownChildren().indexOf(const_cast<QAccessibleInterface *>(child)));
    }

private:
    QList<QAccessibleInterface *> shownChildren() const
    {
        QList<QAccessibleInterface *> shown;
        for (int i = 0, all = QAccessibleWidget::childCount(); i < all; ++i) {
            QAccessibleInterface *child = QAccessibleWidget::child(i);
            if (child && !child->object()->property(leftOutProperty).toBool())
                shown.append(child);
        }
        return shown;
    }
};

// Says what the object's accessible name is, unasked.
void announceName(QObject *object)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(
        object, QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name));
    QAccessible::updateAccessibility(&announcement);
#else
    Q_UNUSED(object)
#endif
}

// Watches an alert for being shown, and then has its label's text said.
class LabelReader final : public QObject
{
public:
    LabelReader(QWidget *alert, QWidget *label) : QObject(alert), m_label(label)
    {
        alert->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            announceName(m_label);
        return false;
    }

private:
    QWidget *m_label;
};

QAccessibleInterface *makeForMarked(const QString &, QObject *object)
{
    const QVariant marking = object ? object->property(markingProperty) : QVariant();
    if (!marking.isValid())
        return nullptr;
    const auto [role, asClass] = marking.value<Marking>();
    if (object->metaObject() != asClass)
        return nullptr;
    return new MarkedWidget(static_cast<QWidget *>(object), role);
}

} // namespace

void setRole(QWidget *widget, QAccessible::Role role)
{
    // Qt asks the factory installed last first, so this one comes before Qt's own, which
    // QApplication installs, and a widget cannot exist before QApplication. Installing it again
    // changes nothing.
    QAccessible::installFactory(&makeForMarked);
    widget->setProperty(markingProperty, QVariant::fromValue(Marking{role, widget->metaObject()}));
    // Qt makes a widget's accessible object the first time anything asks for it (a label asks as
    // soon as it gets its text) and keeps it. One made before the role was set is let go, so that
    // the next question gets one from the factory above.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget);
    if (!dynamic_cast<MarkedWidget *>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void leaveOut(QWidget *decoration)
{
    decoration->setProperty(leftOutProperty, true);
}

void readOutWhenShown(QWidget *alert, QWidget *label)
{
    new LabelReader(alert, label);
}

Announcer::Announcer(QWidget *control) : QWidget(control)
{
    // Hidden for good: shown along with its control, Qt would tell a screen reader it appeared.
    hide();
    setRole(this, QAccessible::Notification);
}

void Announcer::announce(const QString &text)
{
    if (!parentWidget()->isVisible())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(parentWidget(), text);
    QAccessible::updateAccessibility(&announcement);
#else
    setAccessibleName(text);
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
#endif
}

} // namespace accessibility

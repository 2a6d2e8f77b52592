// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// The bridge is a plugin linked in, which Qt finds among its static plugins.
#define QT_STATICPLUGIN

#include "tests/support/screenreader.h"

#include <QAccessible>
#include <QAccessibleBridge>
#include <QAccessibleBridgePlugin>
#include <QtPlugin>

#include <utility>

namespace testsupport {
namespace {

QStringList &heard()
{
    static QStringList texts;
    return texts;
}

class HearingBridge final : public QAccessibleBridge
{
public:
    void setRootObject(QAccessibleInterface *) override {}
    void notifyAccessibilityUpdate(QAccessibleEvent *event) override
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        if (event->type() == QAccessible::Announcement) {
            heard().append(static_cast<QAccessibleAnnouncementEvent *>(event)->message());
            return;
        }
#endif
        if (event->type() != QAccessible::ObjectShow)
            return;
        QAccessibleInterface *shown = event->accessibleInterface();
        if (shown && shown->role() == QAccessible::Notification)
            heard().append(shown->text(QAccessible::Name));
    }
};

} // namespace

QStringList notificationsHeard()
{
    return std::exchange(heard(), {});
}

} // namespace testsupport

class TestsHearingBridgePlugin final : public QAccessibleBridgePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QAccessibleBridgeFactoryInterface_iid FILE "screenreader.json")

public:
    // Qt 6.4 keeps the bridges it was given until the process ends and never deletes them.
    QAccessibleBridge *create(const QString &) override
    {
        static testsupport::HearingBridge bridge;
        return &bridge;
    }
};

Q_IMPORT_PLUGIN(TestsHearingBridgePlugin)

#include "screenreader.moc"

// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/windowprobe.h"

#include "tests/support/fakebrowser.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace testsupport {

QString WindowProbe::status() const
{
    return find<QLabel>(QStringLiteral("Label3"))->text();
}

QStringList WindowProbe::history() const
{
    QStringList items;
    for (int i = 0; i < numberBox()->count(); ++i)
        items << numberBox()->itemText(i);
    return items;
}

QStringList WindowProbe::state() const
{
    QStringList state{numberBox()->currentText(), history().join(u'|'), status()};
    for (const QLabel *badge : {onlineBadge(), offlineBadge()})
        state << QString::number(badge->isVisibleTo(m_window));
    for (const QPushButton *command : {queryButton(), chatButton()})
        state << QString::number(command->isEnabled());
    return state;
}

void WindowProbe::click(QAbstractButton *button) const
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void queryOnlineThenType(const WindowProbe &window, FakeBrowser &browser, const QString &number)
{
    QTest::keyClicks(window.numberBox(), QStringLiteral("12345"));
    window.click(window.queryButton());
    browser.complete(QStringLiteral("http://127.0.0.1:2/qq_online.gif"));
    window.numberBox()->lineEdit()->clear();
    QTest::keyClicks(window.numberBox(), number);
}

} // namespace testsupport

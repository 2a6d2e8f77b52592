// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "windowprobe.h"

#include "fakebrowser.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace testsupport {

QComboBox *WindowProbe::combo() const
{
    return find<QComboBox>(QStringLiteral("Combo1"));
}

QString WindowProbe::status() const
{
    return find<QLabel>(QStringLiteral("Label3"))->text();
}

QStringList WindowProbe::history() const
{
    QStringList items;
    for (int i = 0; i < combo()->count(); ++i)
        items << combo()->itemText(i);
    return items;
}

QStringList WindowProbe::state() const
{
    QStringList state{combo()->currentText(), history().join(u'|'), status()};
    for (const char *picture : {"Image3", "Image4"})
        state << QString::number(find(QString::fromLatin1(picture))->isVisibleTo(m_window));
    for (const char *command : {"Command1", "Command3"})
        state << QString::number(find(QString::fromLatin1(command))->isEnabled());
    return state;
}

void WindowProbe::click(const QString &button) const
{
    QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
}

void queryOnlineThenType(const WindowProbe &window, FakeBrowser &browser, const QString &number)
{
    QTest::keyClicks(window.combo(), QStringLiteral("12345"));
    window.click(QStringLiteral("Command1"));
    browser.complete(QStringLiteral("http://127.0.0.1:2/qq_online.gif"));
    window.combo()->lineEdit()->clear();
    QTest::keyClicks(window.combo(), number);
}

} // namespace testsupport

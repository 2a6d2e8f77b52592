// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace testsupport {

class FakeBrowser;

// What the query window's status line reads.
inline const QString waitingText = QString::fromUtf8("等待查询任务");
inline const QString checkingText = QString::fromUtf8("正在检查...");
inline const QString onlineText = QString::fromUtf8("对方在线");
inline const QString offlineText = QString::fromUtf8("对方不在线");

// Reads the query window's controls as a user sees them, and presses its buttons. The controls keep
// the object names of the program's design (README.md maps them); the probe names them for what
// they are.
class WindowProbe
{
public:
    explicit WindowProbe(QWidget *window = nullptr) : m_window(window) {}

    template <typename T = QWidget> T *find(const QString &name) const
    {
        return m_window->findChild<T *>(name);
    }
    QComboBox *numberBox() const { return find<QComboBox>(QStringLiteral("Combo1")); }
    QPushButton *queryButton() const { return button("Command1"); }    // 查询
    QPushButton *exitButton() const { return button("Command2"); }     // 退出
    QPushButton *chatButton() const { return button("Command3"); }     // 留言
    QPushButton *homePageButton() const { return button("Command4"); } // 访问主页
    QLabel *onlineBadge() const { return find<QLabel>(QStringLiteral("Image3")); }
    QLabel *offlineBadge() const { return find<QLabel>(QStringLiteral("Image4")); }
    QString status() const;      // the status line, Label3
    QStringList history() const; // the number box's drop-down list, oldest first
    // The number box's text and list, the status line, which picture shows and whether 查询 and
    // 留言 may be pressed: what a hand-off must leave as it was, read alike while the window hides.
    QStringList state() const;

    void click(QAbstractButton *button) const;

private:
    QPushButton *button(const char *name) const { return find<QPushButton>(QLatin1String(name)); }

    QPointer<QWidget> m_window;
};

// Leaves the query window as a user has it when a chat starts: 12345 queried and shown online by
// `browser`, the window's own, so that there is a result and a history to keep, then `number`
// typed in its place.
void queryOnlineThenType(const WindowProbe &window, FakeBrowser &browser, const QString &number);

// The application's top-level widget with this object name, if it is a T.
template <typename T = QWidget> T *topLevel(const QString &name)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *widget : windows) {
        if (widget->objectName() == name)
            return qobject_cast<T *>(widget);
    }
    return nullptr;
}

// The object names of the application's windows that are shown, in no particular order.
inline QStringList visibleWindows()
{
    QStringList names;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        if (window->isVisible())
            names << window->objectName();
    }
    return names;
}

} // namespace testsupport

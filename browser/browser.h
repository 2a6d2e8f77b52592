// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace browser {

// The embedded browser control as the windows use it, and nothing more. A browser lives on its
// window's host widget (the window's `WebBrowser1`), is owned by it and dies with it.
class Browser : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Browser)

public:
    explicit Browser(QWidget *host);
    ~Browser() override;

    // Returns at once; navigateComplete() follows later from the event loop. A new navigation
    // abandons the one under way, so only the newest one completes.
    virtual void navigate(const QString &address) = 0;

    // Whether the window host shows the control: the host widget's own flag, which stays set
    // while the control sits outside the window's client area or the window is still hidden.
    bool isHostVisible() const;

signals:
    // The address at which the navigation finally ended, after any redirects.
    void navigateComplete(const QString &address);

protected:
    QWidget *host() const { return m_host; }

    // Lets go of an object the browser was working with: the pointer is cleared and nothing the
    // object signals from now on reaches this browser. Null if it held none.
    template <typename T> T *letGo(QPointer<T> &held)
    {
        T *object = held.data();
        held.clear();
        if (object)
            object->disconnect(this);
        return object;
    }

private:
    QPointer<QWidget> m_host;
};

// Makes the browser for a window's host widget; the host takes ownership.
using Factory = std::function<Browser *(QWidget *host)>;

} // namespace browser

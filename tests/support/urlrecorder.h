// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace testsupport {

// Takes the desktop's place for the given schemes and records every address handed to it.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    explicit UrlRecorder(const QStringList &schemes, QObject *parent = nullptr)
        : QObject(parent), m_schemes(schemes)
    {
        for (const QString &scheme : m_schemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~UrlRecorder() override
    {
        for (const QString &scheme : m_schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }

    QList<QUrl> opened;

signals:
    void received(const QUrl &url);

public slots:
    void open(const QUrl &url)
    {
        opened.append(url);
        emit received(url);
    }

private:
    QStringList m_schemes;
};

} // namespace testsupport

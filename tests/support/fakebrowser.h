// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "browser/browser.h"

#include <QPointer>
#include <QStringList>

namespace testsupport {

// Stands in for a window's browser: records what it was asked and completes when told to.
class FakeBrowser final : public browser::Browser
{
    Q_OBJECT

public:
    using Browser::Browser;

    void navigate(const QString &address) override { navigations.append(address); }
    void complete(const QString &address) { emit navigateComplete(address); }
    void hideHost() { host()->hide(); }

    QStringList navigations;
};

// Makes fake browsers and keeps hold of the newest one, for a test to drive.
struct FakeBrowsers
{
    QPointer<FakeBrowser> latest;
    int made = 0;

    browser::Factory factory()
    {
        return [this](QWidget *host) {
            ++made;
            latest = new FakeBrowser(host);
            return latest.data();
        };
    }
};

} // namespace testsupport

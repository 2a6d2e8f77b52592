// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/handoffbrowser.h"

#include "browser/desktop.h"
#include "browser/requesturl.h"
#include "handoff/location.h"
#include "handoff/protocol.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QUrl>

namespace browser {
namespace {

namespace location = handoff::location;
namespace protocol = handoff::protocol;

// What becomes of a chat hand-off beyond what the user sees: why the page went to the desktop and
// a link the desktop refused, as warnings; with debug output enabled
// (QT_LOGGING_RULES="tolvane.handoff.debug=true"), what the helper and its engine write to their
// standard error.
Q_LOGGING_CATEGORY(log, "tolvane.handoff", QtWarningMsg)

// A helper told to stop gets this long to shut its engine down before it is killed.
constexpr int stopGraceMs = 2000;

// Ends each line that says why the hand-off went without the helper.
constexpr char toDefaultBrowser[] = ": the hand-off page goes to the default browser";

#ifdef Q_OS_WIN
constexpr char signalOrException[] = "exception";
#else
constexpr char signalOrException[] = "signal";
#endif

// The hand-off page that went to the desktop's browser last, and how long ago. The notice of such
// a hand-off lasts only a moment, so the second click of a double click lands on 留言 again, and
// so does every click of a quick run: the same page asked for again within the desktop's
// double-click interval is the same chat, and only makes that interval start again.
struct LastPageToDesktop
{
    QUrl page;
    QElapsedTimer since;
};

LastPageToDesktop &lastPageToDesktop()
{
    static LastPageToDesktop last;
    return last;
}

bool isBounceOfLastPageToDesktop(const QUrl &page)
{
    LastPageToDesktop &last = lastPageToDesktop();
    if (!last.since.isValid() || last.page != page ||
        last.since.elapsed() >= QApplication::doubleClickInterval())
        return false;
    last.since.start();
    return true;
}

void rememberPageToDesktop(const QUrl &page)
{
    LastPageToDesktop &last = lastPageToDesktop();
    last.page = page;
    last.since.start();
}

// The helper that is shutting down, if one is: it has been let go of, and has its grace to end.
QPointer<QProcess> &helperShuttingDown()
{
    static QPointer<QProcess> helper;
    return helper;
}

// The helper that was shutting down when another was let go of, and was killed for it, until it
// has ended.
QPointer<QProcess> &helperKilled()
{
    static QPointer<QProcess> helper;
    return helper;
}

// The link is not quoted: it carries what was typed, and may be far too long for a log line.
void logRefusal(const QUrl &link)
{
    qCWarning(log).nospace().noquote() << "the desktop refused the " << link.scheme() << " link ("
                                       << link.toEncoded().size() << " bytes)";
}

// Whatever the helper and its engine write to standard error, line by line.
void logErrorOutput(QProcess *helper)
{
    helper->setReadChannel(QProcess::StandardError);
    while (helper->canReadLine())
        qCDebug(log).noquote() << "helper:" << QString::fromUtf8(helper->readLine()).trimmed();
    helper->setReadChannel(QProcess::StandardOutput);
}

} // namespace

HandoffBrowser::HandoffBrowser(QWidget *host, QString imClientScheme, QString helperPath)
    : Browser(host), m_imClientScheme(imClientScheme.toLower()),
      m_helperPath(helperPath.isEmpty() ? locateHelper() : std::move(helperPath))
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleAfterLoadMs);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(deadlineMs);
    connect(&m_idle, &QTimer::timeout, this, &HandoffBrowser::finish);
    connect(&m_deadline, &QTimer::timeout, this, &HandoffBrowser::finish);
}

HandoffBrowser::~HandoffBrowser()
{
    stopHelper();
}

Factory HandoffBrowser::factory(const QString &imClientScheme, const QString &helperPath)
{
    return [imClientScheme, helperPath](QWidget *host) {
        return new HandoffBrowser(host, imClientScheme, helperPath);
    };
}

QString HandoffBrowser::locateHelper()
{
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QString name = QString::fromLatin1(location::helperFileName);
    const QDir installedDir(appDir.filePath(QString::fromLatin1(location::installedHelperDir)));
    for (const QString &candidate : {appDir.filePath(name), installedDir.filePath(name)}) {
        if (QFileInfo(candidate).isExecutable())
            return QDir::cleanPath(candidate);
    }
    // Where its package would put it, for the log to name.
    return QDir::cleanPath(installedDir.filePath(name));
}

void HandoffBrowser::navigate(const QString &address)
{
    // Nothing of the navigation before may end this one: its helper, its idle wait, its deadline.
    stopHelper();
    m_idle.stop();
    m_pageLoaded = false;
    m_handedOff = false;
    // Fully encoded, the line holds one address and nothing else, and the helper's engine requests
    // the very bytes the presence check would put on the wire for it.
    m_page = toRequestUrl(address);
    if (isBounceOfLastPageToDesktop(m_page)) {
        qCDebug(log) << "the hand-off page went to the default browser a moment ago, not again";
        finish();
        return;
    }
    m_deadline.start();
    // A helper killed to make room for this one may take a moment to end; this one starts once it
    // has, so that never more than two run.
    if (QProcess *killed = helperKilled(); killed && killed->state() != QProcess::NotRunning) {
        m_awaited = killed;
        connect(killed, &QProcess::finished, this, &HandoffBrowser::startHelper);
        return;
    }
    startHelper();
}

void HandoffBrowser::startHelper()
{
    letGo(m_awaited);
    // Owned by the application, not by this browser: a helper still shutting down when its
    // window goes away is killed at the latest when the app ends.
    auto *helper = new QProcess(QCoreApplication::instance());
    m_helper = helper;
    helper->setProgram(m_helperPath);
    helper->setArguments({m_imClientScheme});
    // Read for the log from the helper itself, so that it is drained until the helper has ended,
    // also while it shuts down after this browser let go of it.
    if (log().isDebugEnabled()) {
        connect(helper, &QProcess::readyReadStandardError, helper,
                [helper] { logErrorOutput(helper); });
    } else {
        helper->setStandardErrorFile(QProcess::nullDevice());
    }
    connect(helper, &QProcess::readyReadStandardOutput, this, &HandoffBrowser::readHelper);
    connect(helper, &QProcess::finished, this, &HandoffBrowser::helperEnded);
    connect(helper, &QProcess::errorOccurred, this, [this, helper](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            helperNotStarted(helper->errorString());
    });
    helper->start();
    // A helper that could not start may have been let go of already.
    if (m_helper == helper)
        helper->write(m_page.toEncoded() + '\n');
}

void HandoffBrowser::readHelper()
{
    while (m_helper && m_helper->canReadLine())
        handleLine(protocol::decodeLine(m_helper->readLine()));
}

void HandoffBrowser::handleLine(const handoff::protocol::Line &line)
{
    const QString &word = line.word;
    const QString &address = line.address;
    if (word == QLatin1String(protocol::navigating)) {
        m_idle.stop();
    } else if (word == QLatin1String(protocol::loaded)) {
        m_pageLoaded = true;
        emit navigateComplete(address);
        m_idle.start();
    } else if (word == QLatin1String(protocol::link)) {
        handOff(address);
    } else if (word == QLatin1String(protocol::unavailable)) {
        engineFailed(QStringLiteral("the hand-off helper's web engine could not start"));
    } else if (word == QLatin1String(protocol::rendererEnded)) {
        engineFailed(QStringLiteral("the hand-off helper's render process ended before the page "
                                    "had loaded"));
    } else if (word == QLatin1String(protocol::failed)) {
        finish();
    }
}

// The app, not the helper, decides what reaches the desktop: one link of the IM client's scheme.
void HandoffBrowser::handOff(const QString &link)
{
    const QUrl url = QUrl::fromEncoded(link.toUtf8(), QUrl::StrictMode);
    if (m_handedOff || !url.isValid() || url.scheme() != m_imClientScheme)
        return;
    m_handedOff = true;
    openOnDesktop(url, logRefusal);
    finish();
}

void HandoffBrowser::helperNotStarted(const QString &error)
{
    engineFailed(QFileInfo::exists(m_helperPath)
                     ? QStringLiteral("the hand-off helper could not be started (%1)").arg(error)
                     : QStringLiteral("no hand-off helper at %1").arg(m_helperPath));
}

// Its last words come first: what it said before it ended may have ended the hand-off already.
void HandoffBrowser::helperEnded(int exitCode, QProcess::ExitStatus status)
{
    readHelper();
    if (!m_helper)
        return;
    if (status == QProcess::NormalExit) {
        engineFailed(QStringLiteral("the hand-off helper exited with code %1 before the page had "
                                    "loaded")
                         .arg(exitCode));
    } else {
        // Qt gives the signal that ended a process as its exit code, on Windows the exception.
        engineFailed(
            QStringLiteral("the hand-off helper crashed (%1 %2) before the page had loaded")
                .arg(QLatin1String(signalOrException))
                .arg(exitCode));
    }
}

// Whether the page had loaded decides, not how far the engine got before it failed.
void HandoffBrowser::engineFailed(const QString &why)
{
    if (m_pageLoaded) {
        finish();
        return;
    }
    qCWarning(log).noquote().nospace() << why << toDefaultBrowser;
    handPageToDesktop();
}

// The same address the helper would have been asked for, to the desktop's default browser.
void HandoffBrowser::handPageToDesktop()
{
    m_handedOff = true;
    rememberPageToDesktop(m_page);
    openOnDesktop(m_page, logRefusal);
    finish();
}

void HandoffBrowser::finish()
{
    stopHelper();
    m_idle.stop();
    m_deadline.stop();
    if (host())
        host()->hide();
}

void HandoffBrowser::stopHelper()
{
    letGo(m_awaited);
    QProcess *helper = letGo(m_helper);
    if (!helper)
        return;
    connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
    if (helper->state() == QProcess::NotRunning) {
        helper->deleteLater();
        return;
    }
    // However fast hand-offs follow each other, at most two helpers run: the current one and the
    // one shutting down. One still shutting down when the next is let go of is killed now; each
    // is a whole web engine.
    if (QProcess *older = helperShuttingDown()) {
        older->kill();
        helperKilled() = older;
    }
    helperShuttingDown() = helper;
    // The helper ends itself when its input closes, taking the engine's processes with it.
    helper->closeWriteChannel();
    QTimer::singleShot(stopGraceMs, helper, &QProcess::kill);
}

} // namespace browser

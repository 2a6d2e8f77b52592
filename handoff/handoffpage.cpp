// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "handoff/handoffpage.h"

#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>

namespace handoff {
namespace {

bool isWebScheme(const QString &scheme)
{
    return scheme == u"http" || scheme == u"https";
}

} // namespace

HandoffPage::HandoffPage(QWebEngineProfile *profile, QString imClientScheme, QObject *parent)
    : QWebEnginePage(profile, parent), m_imClientScheme(std::move(imClientScheme))
{
    QWebEngineSettings *s = settings();
    // Script-initiated navigations to schemes the engine does not know are dropped silently under
    // the default policy; letting them through to acceptNavigationRequest is how the IM link is
    // seen at all. Every one of them is refused there.
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    s->setAttribute(QWebEngineSettings::Accelerated2dCanvasEnabled, false);
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::TouchIconsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    // Nobody reads an error page; a failed load is reported as such.
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

    // Qt 6.8 asks through a permission object, and deprecates asking by feature.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
#else
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
#endif
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::loadingChanged, this, &HandoffPage::onLoadingChanged);
    connect(this, &QWebEnginePage::urlChanged, this, &HandoffPage::onUrlChanged);
    connect(this, &QWebEnginePage::renderProcessTerminated, this, &HandoffPage::onRendererEnded);
}

// A script's redirect arrives as a redirect or as a clicked link, depending on how far the page had
// loaded, so only the scheme and the frame decide. Our own load() is the one typed navigation.
bool HandoffPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isWebScheme(url.scheme())) {
        if (isMainFrame && type != NavigationTypeTyped)
            emit navigating(url);
        return true;
    }
    // Only the page itself hands out the link: a frame holds whatever the page embeds (an
    // advertisement, somebody else's widget), which has no say over whom the user chats with.
    if (isMainFrame && url.scheme() == m_imClientScheme)
        emit linkProduced(url);
    return false;
}

// A page that wants a window of its own (window.open, a target of _blank) gets none.
QWebEnginePage *HandoffPage::createWindow(WebWindowType)
{
    return nullptr;
}

void HandoffPage::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    // The first load to end is the hand-off page's own, unless the page moved on before it
    // finished: a refused or abandoned navigation ends as stopped, never as failed.
    const bool ownLoad = !m_settled;
    m_settled = true;
    if (ownLoad && info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
        emit failed();
        return;
    }
    emit loaded(url());
}

// The page's address changes once a renderer has committed a document to it, which the first time
// is the hand-off page's: before that the page has no address at all.
void HandoffPage::onUrlChanged()
{
    if (m_engineStarted)
        return;
    m_engineStarted = true;
    emit engineStarted();
}

// Whether the page had its chance is what counts, not how far the renderer got: until the page's
// own load has ended, a renderer that ends (it cannot run, crashes, or is killed while the page
// still loads) leaves the page to another browser; afterwards the page is done with.
void HandoffPage::onRendererEnded()
{
    if (m_settled)
        emit failed();
    else
        emit engineFailed();
}

} // namespace handoff

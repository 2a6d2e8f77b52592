// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QLoggingCategory>
#include <QString>

class QUrl;

namespace browser {

// What becomes of a chat hand-off beyond what the user sees: a link the desktop refused, and with
// debug output enabled (QT_LOGGING_RULES="tolvane.handoff.debug=true"), what the helper and its
// engine write to their standard error.
Q_DECLARE_LOGGING_CATEGORY(lcHandoff)

// A link carries what was typed, which may run to hundreds of thousands of bytes once encoded: a
// longer link than this is never logged whole, only its scheme and length.
inline constexpr qsizetype maxLoggedLinkBytes = 256;

// While it lives, whatever is logged on this thread shows `link`, if it is longer than
// maxLoggedLinkBytes, as its scheme and length. Qt's own warning about a link the desktop could
// not open ("Launch failed (xdg-open ...)", and the like on other desktops) quotes it whole.
class LinkLoggedAsLength
{
    Q_DISABLE_COPY_MOVE(LinkLoggedAsLength)

public:
    explicit LinkLoggedAsLength(const QUrl &link);
    ~LinkLoggedAsLength();

    // The message with the link, in any of the forms Qt writes it in, as its scheme and length.
    QString shortened(QString message) const;

private:
    QString m_encoded;
    QString m_decoded;
    // Decoded, through the system's 8-bit code page and back, as Qt's warnings quote it: on a
    // Windows whose code page lacks a character, a '?' in its place.
    QString m_local;
    QString m_length;
};

} // namespace browser

// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

class QUrl;

namespace browser {

// A link carries what was typed, which may run to hundreds of thousands of bytes once encoded: a
// longer link than this is never logged whole, only its scheme and length.
inline constexpr qsizetype maxLoggedLinkBytes = 256;

// The link as a log line may show it: encoded, or as its scheme and length if that is longer
// than maxLoggedLinkBytes.
QString linkForLog(const QUrl &link);

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

// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <QUrl>

namespace browser {

// The request a browser sends for an address typed into its address bar, as the URL Standard's
// basic URL parser makes it for an http or https address: the blanks and controls at either end
// and every tab and line break are dropped, the fragment is cut off, the path and the query are
// percent-encoded as UTF-8 (a lone UTF-16 surrogate as U+FFFD), and every '%' stays as it stands.
// Qt's network and web engine both write the URL's fully encoded form onto the wire, in which Qt
// changes bytes but never what they decode to: hex digits in upper case, escapes of unreserved
// characters decoded, a few more characters escaped, and a lone '%', which a QUrl cannot hold
// beside valid escapes, as "%25".
// Any other address gives an invalid URL: a browser would not request it over HTTP.
QUrl toRequestUrl(const QString &address);

} // namespace browser

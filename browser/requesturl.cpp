// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/requesturl.h"

#include <QStringList>

namespace browser {
namespace {

bool isC0ControlOrSpace(char32_t c)
{
    return c <= 0x20;
}

bool isTabOrNewline(char32_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r';
}

bool isAsciiAlpha(char32_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isSeparator(char32_t c)
{
    return c == u'/' || c == u'\\';
}

// The C0 control percent-encode set, and what the path and the query of a special URL add to it.
enum class EncodeSet
{
    Path,
    SpecialQuery
};

bool mustEncode(char32_t c, EncodeSet set)
{
    if (c < 0x20 || c > 0x7e)
        return true;
    switch (c) {
    case u' ':
    case u'"':
    case u'#':
    case u'<':
    case u'>':
        return true;
    case u'?':
    case u'`':
    case u'{':
    case u'}':
        return set == EncodeSet::Path;
    case u'\'':
        return set == EncodeSet::SpecialQuery;
    default:
        return false;
    }
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xc0 | (c >> 6));
        out += char(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += char(0xe0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    } else {
        out += char(0xf0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3f));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    }
}

QByteArray percentEncode(const QList<char32_t> &text, EncodeSet set)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text) {
        if (!mustEncode(c, set)) {
            out += char(c);
            continue;
        }
        QByteArray utf8;
        appendUtf8(utf8, c);
        for (const char byte : std::as_const(utf8)) {
            out += '%';
            out += hex[uchar(byte) >> 4];
            out += hex[uchar(byte) & 0xf];
        }
    }
    return out;
}

// Code points, each lone surrogate replaced by U+FFFD as the UTF-8 encoder of a browser does.
QList<char32_t> codePoints(const QString &text)
{
    QList<char32_t> out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else {
            out.append(c.isSurrogate() ? char32_t(QChar::ReplacementCharacter) : c.unicode());
        }
    }
    return out;
}

bool isSingleDot(const QByteArray &segment)
{
    return segment == "." || segment.compare("%2e", Qt::CaseInsensitive) == 0;
}

bool isDoubleDot(const QByteArray &segment)
{
    const QByteArray lower = segment.toLower();
    return lower == ".." || lower == ".%2e" || lower == "%2e." || lower == "%2e%2e";
}

// The path state of a special URL: '\' separates like '/', and "." and ".." segments go.
QByteArray encodePath(const QList<char32_t> &path)
{
    QByteArrayList segments;
    qsizetype start = path.isEmpty() || !isSeparator(path.first()) ? 0 : 1;
    for (qsizetype i = start; i <= path.size(); ++i) {
        const bool atEnd = i == path.size();
        if (!atEnd && !isSeparator(path.at(i)))
            continue;
        const QByteArray segment = percentEncode(path.mid(start, i - start), EncodeSet::Path);
        if (isDoubleDot(segment)) {
            if (!segments.isEmpty())
                segments.removeLast();
            if (atEnd)
                segments.append(QByteArray());
        } else if (isSingleDot(segment)) {
            if (atEnd)
                segments.append(QByteArray());
        } else {
            segments.append(segment);
        }
        start = i + 1;
    }
    return '/' + segments.join('/');
}

// A lone '%' goes out as it stands in a browser; a QUrl only holds it escaped (see the header).
QByteArray escapeLonePercents(const QByteArray &encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        out += encoded.at(i);
        if (encoded.at(i) == '%' &&
            !(i + 2 < encoded.size() && isAsciiHexDigit(encoded.at(i + 1)) &&
              isAsciiHexDigit(encoded.at(i + 2))))
            out += "25";
    }
    return out;
}

// What the parser reads of an address: no blanks or controls at either end, no tab or line break.
QList<char32_t> cleaned(QList<char32_t> input)
{
    while (!input.isEmpty() && isC0ControlOrSpace(input.first()))
        input.removeFirst();
    while (!input.isEmpty() && isC0ControlOrSpace(input.last()))
        input.removeLast();
    input.removeIf(isTabOrNewline);
    return input;
}

QList<char32_t> withoutFragment(QList<char32_t> input)
{
    const qsizetype hash = input.indexOf(u'#');
    if (hash >= 0)
        input.resize(hash);
    return input;
}

// Where the scheme ends at its ':', or -1 if the address has none.
qsizetype schemeEnd(const QList<char32_t> &input)
{
    if (input.isEmpty() || !isAsciiAlpha(input.first()))
        return -1;
    for (qsizetype i = 1; i < input.size(); ++i) {
        const char32_t c = input.at(i);
        if (c == u':')
            return i;
        if (!isAsciiAlpha(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return -1;
    }
    return -1;
}

} // namespace

QUrl toRequestUrl(const QString &address)
{
    const QList<char32_t> input = withoutFragment(cleaned(codePoints(address)));
    const qsizetype colon = schemeEnd(input);
    if (colon < 0)
        return {};
    const QString scheme = QString::fromUcs4(input.constData(), colon).toLower();
    if (scheme != u"http" && scheme != u"https")
        return {};
    qsizetype at = colon + 1;
    while (at < input.size() && isSeparator(input.at(at)))
        ++at;

    qsizetype authorityEnd = at;
    while (authorityEnd < input.size() && !isSeparator(input.at(authorityEnd)) &&
           input.at(authorityEnd) != u'?')
        ++authorityEnd;
    const QString authority = QString::fromUcs4(input.constData() + at, authorityEnd - at);

    const qsizetype question = input.indexOf(u'?', authorityEnd);
    const qsizetype pathEnd = question >= 0 ? question : input.size();
    QByteArray target = encodePath(input.mid(authorityEnd, pathEnd - authorityEnd));
    if (question >= 0)
        target += '?' + percentEncode(input.mid(question + 1), EncodeSet::SpecialQuery);

    QUrl origin;
    origin.setScheme(scheme);
    origin.setAuthority(authority, QUrl::StrictMode);
    if (origin.host().isEmpty())
        return {};
    const QByteArray encoded = origin.toEncoded() + escapeLonePercents(target);
    const QUrl request = QUrl::fromEncoded(encoded);
    return request.isValid() ? request : QUrl();
}

} // namespace browser

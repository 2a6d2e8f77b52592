// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <array>
#include <cstddef>

// What the app and its hand-off helper say to each other. Both programs compile this header.
//
// The app starts the helper with one argument, the IM client's URL scheme, and writes the hand-off
// page's address, fully encoded, as one line on the helper's standard input. It keeps the input
// open for as long as it wants the page; the end of the input ends the helper.
//
// The helper answers on its standard output with one line for each thing the page does: one of
// the words below, then a blank and the address the word carries, if it carries one.
namespace handoff::protocol {

// <address>: the page started a main-frame navigation to a web page of its own accord.
inline constexpr char navigating[] = "navigating";
// <address>: the page came to rest there; its load, or a later one, ended.
inline constexpr char loaded[] = "loaded";
// <address>: the page asked for this link of the IM client's scheme, in its main frame. The
// helper never follows it.
inline constexpr char link[] = "link";
// No address: the hand-off page itself could not be loaded, or its renderer ended after the page
// had loaded. The helper ends after saying so.
inline constexpr char failed[] = "failed";
// No address, and always the only word: the web engine could not start (the helper missed a part
// of the engine, or crashed before the engine ran). The helper ends after saying so.
inline constexpr char unavailable[] = "unavailable";
// No address: the page's renderer ended before the hand-off page had loaded: it could not run,
// crashed, or was killed while the page loaded. The helper ends after saying so.
inline constexpr char rendererEnded[] = "renderer-ended";

// The helper's line for a word, and the address it carries; fully encoded, an address holds no
// blank and no line break, so it cannot end the line or be taken for a word.
inline QByteArray encodeLine(const char *word, const QUrl &address = {})
{
    QByteArray line = word;
    if (!address.isEmpty())
        line += ' ' + address.toEncoded();
    return line + '\n';
}

// A line as the app reads it from the helper.
struct Line
{
    QString word;
    QString address; // fully encoded; empty for a word that carries none
};

// The line break may come as the system writes one (CR LF on Windows).
inline Line decodeLine(const QByteArray &line)
{
    const QString text = QString::fromUtf8(line).trimmed();
    return {text.section(u' ', 0, 0), text.section(u' ', 1)};
}

// The line for a word that carries no address, made at compile time, for where the helper may not
// allocate: a signal handler.
template <std::size_t size> constexpr std::array<char, size> constantLine(const char (&word)[size])
{
    std::array<char, size> line{};
    for (std::size_t i = 0; i + 1 < size; ++i)
        line[i] = word[i];
    line[size - 1] = '\n';
    return line;
}

} // namespace handoff::protocol

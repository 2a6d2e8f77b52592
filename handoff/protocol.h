// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

// What the app and its hand-off helper say to each other, and where the app finds the helper.
// Both programs compile this header; CMake writes the helper's name and folder into it from the
// same variables that install the helper (HANDOFF_HELPER_NAME, HANDOFF_HELPER_INSTALL_DIR).
//
// The app starts the helper with one argument, the IM client's URL scheme, and writes the hand-off
// page's address, fully encoded, as one line on the helper's standard input. It keeps the input
// open for as long as it wants the page; the end of the input ends the helper.
//
// The helper answers on its standard output with one line for each thing the page does: one of
// the words below, then a blank and the address the word carries, if it carries one.
namespace handoff::protocol {

// The helper's file name, and its folder once installed, relative to the app's own folder.
inline constexpr char helperFileName[] = "@HANDOFF_HELPER_FILE_NAME@";
inline constexpr char installedHelperDir[] = "@HANDOFF_HELPER_DIR_FROM_APP@";

// <address>: the page started a main-frame navigation to a web page of its own accord.
inline constexpr char navigating[] = "navigating";
// <address>: the page came to rest there; its load, or a later one, ended.
inline constexpr char loaded[] = "loaded";
// <address>: the page asked for this link of the IM client's scheme, in its main frame. The
// helper never follows it.
inline constexpr char link[] = "link";
// No address: the hand-off page itself could not be loaded, or its renderer died. The helper
// ends after saying so.
inline constexpr char failed[] = "failed";
// No address, and always the only word: the web engine could not start, so nothing of the page
// was loaded or run (the helper missed a part of the engine, or crashed, or its renderer ended
// before the page came up in it). The helper ends after saying so.
inline constexpr char unavailable[] = "unavailable";

} // namespace handoff::protocol

// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

#include <array>

namespace testsupport {

// The CJK fonts that Chinese-reading Linux users have, where Debian installs them.
struct CjkFont
{
    const char *name;
    const char *file;
};
inline constexpr std::array<CjkFont, 4> cjkFonts{{
    {"noto", "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"},
    {"wqy-microhei", "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"},
    {"wqy-zenhei", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"},
    {"arphic-uming", "/usr/share/fonts/truetype/arphic/uming.ttc"},
}};

// The font of that name, or nullptr.
const CjkFont *findCjkFont(const QString &name);

// Makes a fontconfig configuration in dir that knows only this CJK font and DejaVu for Latin
// texts, with the system's usual matching rules, and points FONTCONFIG_FILE at it: it applies
// to this process if no QGuiApplication exists yet, and to every process started from it. False
// if the font is not installed.
bool useOnlyFont(const CjkFont &font, const QString &dir);

} // namespace testsupport

// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/onlyfont.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

const CjkFont *findCjkFont(const QString &name)
{
    for (const CjkFont &font : cjkFonts) {
        if (name == QLatin1String(font.name))
            return &font;
    }
    return nullptr;
}

bool useOnlyFont(const CjkFont &font, const QString &dir)
{
    const QString cjk = QString::fromLatin1(font.file);
    if (!QFileInfo::exists(cjk))
        return false;
    const QDir root(QFileInfo(dir).absoluteFilePath());
    root.mkpath(QStringLiteral("files"));
    root.mkpath(QStringLiteral("cache"));
    const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    for (const QString &file : {cjk, dejavu + QStringLiteral("DejaVuSans.ttf"),
                                dejavu + QStringLiteral("DejaVuSans-Bold.ttf")}) {
        QFile::link(file, root.filePath(QStringLiteral("files/") + QFileInfo(file).fileName()));
    }

    QFile config(root.filePath(QStringLiteral("fonts.conf")));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    config.write(
        QStringLiteral("<?xml version=\"1.0\"?>\n"
                       "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                       "<fontconfig>\n"
                       "  <dir>%1</dir>\n"
                       "  <cachedir>%2</cachedir>\n"
                       "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
                       "</fontconfig>\n")
            .arg(root.filePath(QStringLiteral("files")), root.filePath(QStringLiteral("cache")))
            .toUtf8());
    config.close();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(config.fileName()));
    return true;
}

} // namespace testsupport

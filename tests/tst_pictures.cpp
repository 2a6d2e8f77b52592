// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "resources/pictures.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

// The pictures compiled into the program, checked against the formats and sizes the windows
// are designed around, and their @2x drawings: the same formats at exactly twice the size.
class TestPictures : public QObject
{
    Q_OBJECT

    static QByteArray bytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void formatsAndSizes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("size");

        const struct
        {
            const char *name;
            const char *format;
            QSize size;
        } pictures[] = {
            {"banner.jpg", "jpeg", {249, 38}}, {"flower.gif", "gif", {28, 26}},
            {"online.bmp", "bmp", {73, 22}},   {"offline.bmp", "bmp", {74, 22}},
            {"query.gif", "gif", {90, 23}},    {"chat.gif", "gif", {90, 23}},
            {"homepage.gif", "gif", {90, 23}}, {"exit.gif", "gif", {90, 23}},
        };
        for (const auto &picture : pictures) {
            const QString name = QString::fromLatin1(picture.name);
            QTest::newRow(picture.name)
                << ":/images/" + name << QByteArray(picture.format) << picture.size;
            const QString fine = QString(name).replace(u'.', QStringLiteral("@2x."));
            QTest::addRow("%s", qPrintable(fine))
                << ":/images/" + fine << QByteArray(picture.format) << picture.size * 2;
        }
    }
    void formatsAndSizes()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, format);
        QFETCH(QSize, size);

        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.size(), size);
        QCOMPARE(reader.imageCount() <= 1 ? 1 : reader.imageCount(), 1);

        const QByteArray data = bytes(path);
        if (format == "gif") {
            QVERIFY(data.startsWith("GIF89a"));
            // One transparent colour: the graphic control extension's transparency flag.
            const qsizetype control = data.indexOf("\x21\xF9\x04");
            QVERIFY(control > 0);
            QVERIFY(data.at(control + 3) & 0x01);
            QVERIFY(reader.read().hasAlphaChannel());
        } else if (format == "bmp") {
            QVERIFY(data.startsWith("BM"));
            QCOMPARE(qFromLittleEndian<quint16>(data.constData() + 28), quint16(24));
        } else {
            QVERIFY(data.startsWith("\xFF\xD8"));
            QCOMPARE(data.mid(6, 4), QByteArray("JFIF"));
            QVERIFY(!data.contains("\xFF\xC2")); // baseline, not progressive
        }
    }

    void iconHoldsEightSizesWithAlpha_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<int>>("sides");

        QTest::newRow("1x") << ":/images/app.ico" << QList<int>({16, 24, 32, 48, 64, 72, 96, 128});
        QTest::newRow("2x") << ":/images/app@2x.ico"
                            << QList<int>({32, 48, 64, 96, 128, 144, 192, 256});
    }
    void iconHoldsEightSizesWithAlpha()
    {
        QFETCH(QString, path);
        QFETCH(QList<int>, sides);

        const QByteArray data = bytes(path);
        QVERIFY(data.size() > 6);
        const auto count = qFromLittleEndian<quint16>(data.constData() + 4);
        QCOMPARE(count, quint16(8));

        QList<int> sizes;
        for (int i = 0; i < count; ++i) {
            const char *entry = data.constData() + 6 + 16 * i;
            const int side = quint8(entry[0]) == 0 ? 256 : quint8(entry[0]);
            QCOMPARE(qFromLittleEndian<quint16>(entry + 6), quint16(32));
            sizes.append(side);
        }
        QCOMPARE(sizes, sides);

        QImageReader reader(path);
        for (const int side : sides) {
            const QImage image = reader.read();
            QCOMPARE(image.size(), QSize(side, side));
            QVERIFY(image.hasAlphaChannel());
            reader.jumpToNextImage();
        }
    }

    // A picture for a denser screen covers the same points from more pixels: the 1x file at
    // ratio 1, the @2x file at 2, and the @2x file brought down to the exact ratio between.
    void pictureForDevicePixelRatio_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels");

        QTest::newRow("1") << 1.0 << QSize(28, 26);
        QTest::newRow("1.25") << 1.25 << QSize(35, 33);
        QTest::newRow("1.5") << 1.5 << QSize(42, 39);
        QTest::newRow("2") << 2.0 << QSize(56, 52);
    }
    void pictureForDevicePixelRatio()
    {
        QFETCH(qreal, ratio);
        QFETCH(QSize, pixels);

        const QString flower = QStringLiteral(":/images/flower.gif");
        const QPixmap picture = pictures::forDevicePixelRatio(flower, ratio);
        QCOMPARE(picture.size(), pixels);
        QCOMPARE(picture.devicePixelRatio(), ratio);
        QCOMPARE(picture.deviceIndependentSize().toSize(), QSize(28, 26));
        QVERIFY(picture.hasAlphaChannel());
        if (ratio == 1.0)
            QCOMPARE(picture.toImage(), QImage(flower).convertToFormat(picture.toImage().format()));
        if (ratio == 2.0)
            QCOMPARE(picture.toImage(),
                     QImage(":/images/flower@2x.gif").convertToFormat(picture.toImage().format()));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"

// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

// The pictures compiled into the program, checked against the formats and sizes the windows
// are designed around.
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

        QTest::newRow("banner") << ":/images/banner.jpg" << QByteArray("jpeg") << QSize(249, 38);
        QTest::newRow("flower") << ":/images/flower.gif" << QByteArray("gif") << QSize(28, 26);
        QTest::newRow("online") << ":/images/online.bmp" << QByteArray("bmp") << QSize(73, 22);
        QTest::newRow("offline") << ":/images/offline.bmp" << QByteArray("bmp") << QSize(74, 22);
        QTest::newRow("query") << ":/images/query.gif" << QByteArray("gif") << QSize(90, 23);
        QTest::newRow("chat") << ":/images/chat.gif" << QByteArray("gif") << QSize(90, 23);
        QTest::newRow("home page") << ":/images/homepage.gif" << QByteArray("gif") << QSize(90, 23);
        QTest::newRow("exit") << ":/images/exit.gif" << QByteArray("gif") << QSize(90, 23);
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

    void iconHoldsEightSizesWithAlpha()
    {
        const QByteArray data = bytes(QStringLiteral(":/images/app.ico"));
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
        QCOMPARE(sizes, QList<int>({16, 24, 32, 48, 64, 72, 96, 128}));

        const QIcon icon(QStringLiteral(":/images/app.ico"));
        QCOMPARE(icon.availableSizes().size(), 8);
        QVERIFY(icon.pixmap(QSize(128, 128)).toImage().hasAlphaChannel());
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"

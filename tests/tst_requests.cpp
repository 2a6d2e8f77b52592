// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/handoffbrowser.h"
#include "browser/networknavigator.h"
#include "browser/requesturl.h"
#include "tests/support/fakeservice.h"
#include "tests/support/loopbackendpoints.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

#include <cctype>
#include <functional>

using testsupport::FakeService;
using testsupport::Response;

namespace {

bool isHex(char c)
{
    return std::isxdigit(uchar(c)) != 0;
}

// Percent-decoding as a server does it: a '%' without two hex digits after it is itself.
QByteArray percentDecode(const QByteArray &in)
{
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.at(i) == '%' && i + 2 < in.size() && isHex(in.at(i + 1)) && isHex(in.at(i + 2))) {
            out += char(QByteArray::fromHex(in.mid(i + 1, 2)).at(0));
            i += 2;
        } else {
            out += in.at(i);
        }
    }
    return out;
}

// What Qt's network writes on the request line for a URL (and Qt's web engine hands the same
// fully encoded form to its own parser).
QByteArray targetOf(const QUrl &url)
{
    return url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment |
                         QUrl::FullyEncoded);
}

// The browser layer's two browsers, each navigated to one address; returns the request target
// that reached the service.
class Paths
{
public:
    explicit Paths(FakeService *service) : m_service(service), m_navigator(&m_host) {}

    QByteArray presence(const QString &address)
    {
        m_service->clearRequests();
        QSignalSpy done(&m_navigator, &browser::Browser::navigateComplete);
        m_navigator.navigate(address);
        if (!done.wait(10000) || m_service->requests().size() != 1)
            return "<no single request>";
        return m_service->requests().at(0).target;
    }

    QByteArray handoff(const QString &address)
    {
        QWidget host;
        auto *handoff = new browser::HandoffBrowser(&host, QStringLiteral("imclient"),
                                                    QStringLiteral(HANDOFF_HELPER_PATH));
        m_service->clearRequests();
        handoff->navigate(address);
        if (!QTest::qWaitFor([this] { return !m_service->requests().isEmpty(); }, 30000))
            return "<no request>";
        return m_service->requests().at(0).target;
    }

private:
    FakeService *m_service;
    QWidget m_host;
    browser::NetworkNavigator m_navigator;
};

// A seeded corpus of what a user may type or paste into the number box, class by class.
class Corpus
{
public:
    static QStringList make(int perClass)
    {
        Corpus corpus;
        QStringList texts;
        for (int i = 0; i < perClass; ++i) {
            for (const auto &draw : corpus.classes())
                texts.append(corpus.text(draw, 1 + int(corpus.m_random.bounded(24))));
        }
        // Long pastes, up to twice what the number box holds.
        for (int length : {10000, 32767, 40000, 65000})
            texts.append(corpus.mixed(length));
        return texts;
    }

private:
    using Draw = std::function<QString()>;

    QRandomGenerator m_random{20261208};

    char32_t in(char32_t first, char32_t last)
    {
        return first + char32_t(m_random.bounded(quint32(last - first + 1)));
    }
    QString one(char32_t c) { return QString::fromUcs4(&c, 1); }
    QString pick(const QList<char32_t> &from)
    {
        return one(from.at(m_random.bounded(from.size())));
    }

    QList<Draw> classes()
    {
        return {
            [this] { return one(in(0x20, 0x7e)); },
            [this] { return one(in(0x00, 0x1f)); },
            [this] {
                return pick({u'\t', u'\r', u'\n'});
            },
            [this] {
                return pick({u' ', 0xa0, 0x2003, 0x3000, 0xfeff});
            },
            [this] {
                static constexpr char hex[] = "0123456789abcdefABCDEF";
                return QStringLiteral("%") + QLatin1Char(hex[m_random.bounded(22)]) +
                       QLatin1Char(hex[m_random.bounded(22)]);
            },
            [this] {
                return QStringLiteral("%") + pick({u'z', u'G', u'%', u' ', 0x4e00, u'1'});
            },
            [this] { return one(in(0x80, 0x9f)); },
            [this] { return one(in(0xff01, 0xff5e)); },
            [this] { return one(in(0x4e00, 0x9fff)); },
            [this] { return one(in(0x300, 0x36f)); },
            [this] {
                return pick({0x200e, 0x200f, 0x202a, 0x202b, 0x202c, 0x202d, 0x202e, 0x2066, 0x2067,
                             0x2068, 0x2069, 0x61c});
            },
            [this] {
                return one(m_random.bounded(2) ? in(0xe000, 0xf8ff) : in(0xf0000, 0x10fffd));
            },
            [this] {
                return one(m_random.bounded(2) ? in(0x1f300, 0x1faff) : in(0x20000, 0x2a6df));
            },
            [this] { return QString(QChar(char16_t(in(0xd800, 0xdfff)))); },
            [this] {
                return m_random.bounded(2) ? one(in(0xfdd0, 0xfdef))
                                           : one((in(0, 16) << 16) | in(0xfffe, 0xffff));
            },
        };
    }

    // Mostly the class's characters, with digits among them as a pasted number would have.
    QString text(const Draw &draw, int length)
    {
        QString out;
        while (out.size() < length)
            out += m_random.bounded(3) ? draw() : one(in(u'0', u'9'));
        return out;
    }

    QString mixed(int length)
    {
        const QList<Draw> all = classes();
        QString out;
        while (out.size() < length)
            out += all.at(m_random.bounded(all.size()))();
        out.truncate(length);
        return out;
    }
};

// Lone surrogates survive only as JSON escapes, so every character outside printable ASCII is one.
QByteArray toJson(const QStringList &texts)
{
    QByteArray out = "[";
    for (const QString &text : texts) {
        out += out.size() > 1 ? ",\"" : "\"";
        for (const QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() > 0x7e || c == u'"' || c == u'\\')
                out += "\\u" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
            else
                out += char(c.unicode());
        }
        out += '"';
    }
    return out + "]";
}

// The reference: the URL parser of Node, which implements the URL Standard. For each address, the
// target a browser's request line carries: path and query, no fragment; null if it fails.
constexpr char referenceScript[] = R"(
const addresses = JSON.parse(require('fs').readFileSync(process.argv[1], 'latin1'));
process.stdout.write(JSON.stringify(addresses.map((address) => {
    try {
        const url = new URL(address);
        url.hash = '';
        return url.href.slice(url.origin.length);
    } catch (e) {
        return null;
    }
})));
)";

QList<QByteArray> referenceTargets(const QStringList &addresses)
{
    QTemporaryFile input;
    if (!input.open() || input.write(toJson(addresses)) < 0 || !input.flush())
        return {};
    QProcess node;
    node.start(QStringLiteral("node"),
               {QStringLiteral("-e"), QString::fromLatin1(referenceScript), input.fileName()});
    if (!node.waitForFinished(60000) || node.exitCode() != 0)
        return {};
    QList<QByteArray> targets;
    for (const QJsonValue value : QJsonDocument::fromJson(node.readAllStandardOutput()).array())
        targets.append(value.isNull() ? QByteArray("<fails>") : value.toString().toLatin1());
    return targets;
}

struct Agreement
{
    int sameBytes = 0;
    int sameDecoded = 0;
    QStringList differ;

    void count(const QByteArray &ours, const QByteArray &reference, qsizetype index)
    {
        if (ours == reference)
            ++sameBytes;
        else if (percentDecode(ours) == percentDecode(reference))
            ++sameDecoded;
        else
            differ.append(QStringLiteral("#%1: %2 | reference %3")
                              .arg(index)
                              .arg(QString::fromLatin1(ours.left(200)),
                                   QString::fromLatin1(reference.left(200))));
    }
    void print(const char *what) const
    {
        qInfo("%s: %d agree byte for byte, %d only after decoding, %d differ", what, sameBytes,
              sameDecoded, int(differ.size()));
        for (const QString &line : differ.mid(0, 5))
            qInfo("  %s", qPrintable(line));
    }
};

} // namespace

// What reaches the service for an address, through both of the browser layer's browsers: the
// bytes a browser would put on the wire for it.
class TestRequests : public QObject
{
    Q_OBJECT

    FakeService *m_service = nullptr;

    QString origin() const { return QStringLiteral("http://") + m_service->host(); }

private slots:
    void init()
    {
        m_service = new FakeService(this);
        QVERIFY(m_service->listen());
        m_service->setFallback([](const testsupport::Request &) { return Response::gif(); });
    }
    void cleanup()
    {
        delete m_service;
        // Helpers told to stop end by themselves, and their process objects go with them.
        QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<QProcess *>().isEmpty(), 10000);
    }

    // One or two cases for each rule of the parser, with the target the URL Standard gives.
    // Qt's URL class escapes a few characters more than a browser, decodes escapes of unreserved
    // characters and holds a lone '%' as "%25"; each of these decodes to the same bytes, and the
    // rows where they occur only compare decoded.
    void rulesOnTheWire_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after"); // around "http://" + service host
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("sameBytes");

        const QString s = QString::fromUtf8("一é😀") + QChar(0xdfff) + QChar(0xd800) +
                          QString::fromUcs4(U"\U0001FFFE\U0010FFFF", 2);
        QTest::newRow("blanks and controls at either end")
            << QStringLiteral(" \x01\x1f ") << QStringLiteral("/pa?p=1:12345 \x7f\x1f\x01  ")
            << QByteArray("/pa?p=1:12345%20%7F") << true;
        QTest::newRow("inside they stay")
            << QString() << QStringLiteral("/pa?p=1:1\x01 2\x7f\x1b:1")
            << QByteArray("/pa?p=1:1%01%202%7F%1B:1") << true;
        QTest::newRow("tabs and line breaks go everywhere")
            << QStringLiteral("\n") << QStringLiteral("/p\ta?p=1:12\r\n345\t:1\r\n")
            << QByteArray("/pa?p=1:12345:1") << true;
        QTest::newRow("a line break at the end") << QString() << QStringLiteral("/msgrd?Uin=123\n")
                                                 << QByteArray("/msgrd?Uin=123") << true;
        QTest::newRow("fragment cut at the first hash")
            << QString() << QStringLiteral("/pa?p=1:12#3#4:1") << QByteArray("/pa?p=1:12") << true;
        QTest::newRow("fragment before the query")
            << QString() << QStringLiteral("/pa#?p=1") << QByteArray("/pa") << true;
        QTest::newRow("path set") << QString() << QStringLiteral("/a b\"<>`{}'|^/é?q")
                                  << QByteArray("/a%20b%22%3C%3E%60%7B%7D'|^/%C3%A9?q") << false;
        QTest::newRow("dot segments and backslashes")
            << QString() << QStringLiteral("\\a/./b/../c/%2e%2E/d\\.") << QByteArray("/a/d/")
            << true;
        QTest::newRow("special-query set")
            << QString() << QStringLiteral("/q?x= \"<>'&=+:/?@!$()*,;")
            << QByteArray("/q?x=%20%22%3C%3E%27&=+:/?@!$()*,;") << true;
        QTest::newRow("characters a browser leaves raw in a query")
            << QString() << QStringLiteral("/q?`{}|^\\[]") << QByteArray("/q?`{}|^\\[]") << false;
        QTest::newRow("utf-8, lone surrogates as U+FFFD, supplementary noncharacters")
            << QString() << "/q?" + s
            << QByteArray(
                   "/q?%E4%B8%80%C3%A9%F0%9F%98%80%EF%BF%BD%EF%BF%BD%F0%9F%BF%BE%F4%8F%BF%BF")
            << true;
        QTest::newRow("valid escapes stay as they are")
            << QString() << QStringLiteral("/q?%2F%3F%23%25%E4%B8%80%0A")
            << QByteArray("/q?%2F%3F%23%25%E4%B8%80%0A") << true;
        QTest::newRow("a lone percent decodes to a percent")
            << QString() << QStringLiteral("/pa?p=1:%31%32%33%34%35%:1")
            << QByteArray("/pa?p=1:%31%32%33%34%35%:1") << false;
        QTest::newRow("broken escapes")
            << QString() << QStringLiteral("/q?%zz%4%%G1%") << QByteArray("/q?%zz%4%%G1%") << false;
    }
    void rulesOnTheWire()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QByteArray, target);
        QFETCH(bool, sameBytes);
        const QString address = before + origin() + after;

        Paths paths(m_service);
        const QByteArray presence = paths.presence(address);
        const QByteArray handoff = paths.handoff(address);
        QCOMPARE(percentDecode(presence), percentDecode(target));
        QCOMPARE(percentDecode(handoff), percentDecode(target));
        if (sameBytes) {
            QCOMPARE(presence, target);
            QCOMPARE(handoff, target);
        }
        // The helper's engine is handed exactly what the navigator sends.
        QCOMPARE(handoff, presence);
    }

    // Texts of every kind a user may type or paste, in both of the program's addresses, against
    // the reference parser: every target must decode to the reference's bytes. The browser
    // layer's conversion runs over the whole corpus; the presence path puts every text on the
    // wire; the hand-off helper, which starts a web engine per page, a sample from every class.
    void sameAsTheReference()
    {
        const QStringList corpus = Corpus::make(135);
        QVERIFY(corpus.size() >= 2000);
        const endpoints::Endpoints endpoints = testsupport::loopbackEndpoints(m_service->host());
        QStringList presence;
        QStringList chat;
        for (const QString &text : corpus) {
            presence.append(endpoints.presenceImageAddress(text));
            chat.append(endpoints.chatHandoffAddress(text));
        }
        const QList<QByteArray> presenceReference = referenceTargets(presence);
        const QList<QByteArray> chatReference = referenceTargets(chat);
        QVERIFY2(!presenceReference.isEmpty(), "node did not run; ./dev installs it");
        QCOMPARE(presenceReference.size(), corpus.size());
        QCOMPARE(chatReference.size(), corpus.size());

        Agreement presenceConverted, chatConverted, presenceWire, chatWire;
        Paths paths(m_service);
        for (qsizetype i = 0; i < corpus.size(); ++i) {
            presenceConverted.count(targetOf(browser::toRequestUrl(presence.at(i))),
                                    presenceReference.at(i), i);
            chatConverted.count(targetOf(browser::toRequestUrl(chat.at(i))), chatReference.at(i),
                                i);
            presenceWire.count(paths.presence(presence.at(i)), presenceReference.at(i), i);
        }
        // The classes take turns in the corpus, so its first texts hold four of each; the long
        // pastes come last.
        for (qsizetype i = 0; i < corpus.size(); i = i == 59 ? corpus.size() - 4 : i + 1)
            chatWire.count(paths.handoff(chat.at(i)), chatReference.at(i), i);

        qInfo("%d texts", int(corpus.size()));
        presenceConverted.print("presence address, converted");
        chatConverted.print("chat address, converted");
        presenceWire.print("presence address, on the wire");
        chatWire.print("chat address, on the wire (sample)");
        QCOMPARE(presenceConverted.differ, QStringList());
        QCOMPARE(chatConverted.differ, QStringList());
        QCOMPARE(presenceWire.differ, QStringList());
        QCOMPARE(chatWire.differ, QStringList());
    }
};

QTEST_MAIN(TestRequests)
#include "tst_requests.moc"

#include <QTest>

#include "TestSupport.h"
#include "build/OutputDecoder.h"

namespace {

QString Pieces(const QList<QByteArray>& pieces) {
    OutputDecoder decoder;
    QString text;
    for (const QByteArray& piece : pieces)
        text += decoder.Decode(piece);
    return text + decoder.Finish();
}

}  // namespace

class OutputDecoderTest : public QObject {
    Q_OBJECT

private:
    // Valid characters of every length, a byte-order mark inside the text,
    // Latin-1 letters, characters cut off before plain text and before
    // another character, and the forms UTF-8 forbids.
    static QByteArray Mixed() {
        return QByteArray(
            "x\xC3\xA9y\xE2\x82\xAC\xF0\x9F\x98\x80z\xEF\xBB\xBF"
            "\xF0\x9F\xF0\x9F\x98\x80"
            "caf\xE9 cr\xE8me\xE2\x82"
            "a\x80\xBF\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xF8\xFF"
            "\xE0\xA0\x80\xF4\x8F\xBF\xBF\xF0\x9F\x98");
    }

private Q_SLOTS:
    void wholeOutputs_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("plain") << QByteArray("ok\r\n") << QStringLiteral("ok\r\n");
        QTest::newRow("two to four bytes")
            << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")
            << QStringLiteral("\u00e9\u20ac") + QString::fromUcs4(U"\U0001F600", 1);
        QTest::newRow("latin-1 letter before plain text") << QByteArray(
                                                                 "\xE9"
                                                                 "bcd")
                                                          << QStringLiteral("\ufffdbcd");
        QTest::newRow("cut-off character before plain text") << QByteArray(
                                                                    "\xE2\x82"
                                                                    "a")
                                                             << QStringLiteral("\ufffd\ufffda");
        QTest::newRow("stray continuation bytes")
            << QByteArray("\x80\xBFq") << QStringLiteral("\ufffd\ufffdq");
        QTest::newRow("overlong") << QByteArray("\xC0\xAF\xE0\x80\x80")
                                  << QString(5, QChar::ReplacementCharacter);
        QTest::newRow("surrogate")
            << QByteArray("\xED\xA0\x80") << QString(3, QChar::ReplacementCharacter);
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80\xF5") << QString(5, QChar::ReplacementCharacter);
        QTest::newRow("ends inside a character")
            << QByteArray("end\xF0\x9F\x98") << QStringLiteral("end\ufffd\ufffd\ufffd");
        QTest::newRow("byte-order mark only at the start")
            << QByteArray("\xEF\xBB\xBFx\xEF\xBB\xBF") << QStringLiteral("x\ufeff");
    }
    void wholeOutputs() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(OutputDecoder::DecodeAll(bytes), text);
        QCOMPARE(Pieces({bytes}), text);
    }

    // However the output is cut into pieces, the same text comes out.
    void everySplitGivesTheWholeText() {
        const QByteArray bytes = Mixed();
        const QString whole = OutputDecoder::DecodeAll(bytes);
        QCOMPARE(whole.count(QChar::ReplacementCharacter), 22);
        QVERIFY(whole.startsWith(QStringLiteral("x\u00e9y\u20ac")));
        QVERIFY(whole.contains(QStringLiteral("z\ufeff\ufffd\ufffd")));
        QVERIFY(whole.contains(QStringLiteral("\ufffd\ufffda")));

        QList<QByteArray> single;
        for (char byte : bytes)
            single << QByteArray(1, byte);
        QCOMPARE(Pieces(single), whole);
        for (int first = 0; first <= bytes.size(); ++first) {
            for (int second = first; second <= bytes.size(); ++second) {
                const QString text = Pieces(
                    {bytes.left(first), bytes.mid(first, second - first), bytes.mid(second)});
                if (text != whole)
                    QFAIL(qPrintable(QStringLiteral("split at %1 and %2").arg(first).arg(second)));
            }
        }
    }

    void aCharacterShowsAsSoonAsItsLastByteArrives() {
        OutputDecoder decoder;
        QCOMPARE(decoder.Decode("a\xF0"), QStringLiteral("a"));
        QCOMPARE(decoder.PendingSize(), 1);
        QCOMPARE(decoder.Decode("\x9F"), QString());
        QCOMPARE(decoder.Decode("\x98"), QString());
        QCOMPARE(decoder.PendingSize(), 3);
        QCOMPARE(decoder.Decode("\x80"
                                "b"),
                 QString::fromUcs4(U"\U0001F600b", 2));
        QCOMPARE(decoder.PendingSize(), 0);
        // A byte that cannot continue the character shows the waiting ones
        // at once, and itself in turn.
        QCOMPARE(decoder.Decode("\xE2\x82"), QString());
        QCOMPARE(decoder.Decode("\xE9"), QStringLiteral("\ufffd\ufffd"));
        QCOMPARE(decoder.Decode("z"), QStringLiteral("\ufffdz"));
    }

    void finishEndsOneOutputAndReadiesTheNext() {
        OutputDecoder decoder;
        QCOMPARE(decoder.Decode("\xEF\xBB\xBF"
                                "one\xE2\x82"),
                 QStringLiteral("one"));
        QCOMPARE(decoder.Finish(), QStringLiteral("\ufffd\ufffd"));
        QCOMPARE(decoder.Finish(), QString());
        QCOMPARE(decoder.Decode("\xEF\xBB"), QString());
        QCOMPARE(decoder.Decode("\xBFtwo"), QStringLiteral("two"));
    }
};

ZIDE_TEST(OutputDecoderTest)
#include "OutputDecoderTest.moc"

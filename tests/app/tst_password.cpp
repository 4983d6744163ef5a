#include "app/PasswordEncoding.h"
#include "app/hashwrapper.h"
#include "tests/support/TestMain.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <set>

namespace
{
// Deterministic bytes covering every byte value, so no input is plain ASCII by accident.
QByteArray patternBytes(int length, int seed)
{
    QByteArray bytes(length, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < length; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

QString qtMd5(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// Gives the wrong expected answer, as a broken digest would look to the self-test.
class WrongAnswerMd5 : public md5wrapper
{
protected:
    QString expectedTestHash() override
    {
        return QStringLiteral("00000000000000000000000000000000");
    }
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}
} // namespace

class TestPassword : public QObject
{
    Q_OBJECT
private slots:
    void md5KnownAnswers_data();
    void md5KnownAnswers();
    void md5MatchesQtAcrossBlockBoundaries_data();
    void md5MatchesQtAcrossBlockBoundaries();
    void md5ObjectIsReusable();
    void selfTestPasses();
    void selfTestFailureIsReported();
    void hashFileMatchesQt_data();
    void hashFileMatchesQt();
    void hashFileUnreadable_data();
    void hashFileUnreadable();

    void alphabetsHoldTheSameCharactersOnce();
    void encodeKnownPasswords_data();
    void encodeKnownPasswords();
    void encodedFormIs32LowerHexDigits_data();
    void encodedFormIs32LowerHexDigits();
    void letterCaseMatters();
    void charactersAllowed_data();
    void charactersAllowed();
};

void TestPassword::md5KnownAnswers_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("digest");
    QTest::newRow("empty") << QByteArray("") << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("a") << QByteArray("a") << "0cc175b9c0f1b6a831c399e269772661";
    QTest::newRow("abc") << QByteArray("abc") << "900150983cd24fb0d6963f7d28e17f72";
    QTest::newRow("message digest")
        << QByteArray("message digest") << "f96b697d7cb7938d525a2f31aaf161d0";
    QTest::newRow("alphabet") << QByteArray("abcdefghijklmnopqrstuvwxyz")
                              << "c3fcd3d76192e4007dfb496cca67e13b";
    QTest::newRow("alphanumeric")
        << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
        << "d174ab98d277d9f5a5611c2c9f419d9f";
    QTest::newRow("eighty digits")
        << QByteArray("1234567890").repeated(8) << "57edf4a22be3c955ac49da2e2107b67a";
    QTest::newRow("fox") << QByteArray("The quick brown fox jumps over the lazy dog")
                         << "9e107d9d372bb6826bd81d3542a419d6";
}

void TestPassword::md5KnownAnswers()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, digest);
    md5wrapper md5;
    QCOMPARE(md5.hashString(input), digest);
}

void TestPassword::md5MatchesQtAcrossBlockBoundaries_data()
{
    QTest::addColumn<QByteArray>("input");
    const QList<int> boundaries = {1,   54,  55,  56,  57,   63,   64,   65,   119,  120,
                                   121, 127, 128, 129, 183,  184,  191,  192,  255,  256,
                                   257, 511, 512, 513, 1023, 1024, 1025, 4099, 65600};
    for (const int length : boundaries) {
        QTest::addRow("pattern %d", length) << patternBytes(length, length);
        QTest::addRow("text %d", length) << QByteArray("x").repeated(length);
    }
    for (int length = 2; length < 200; length += 7)
        QTest::addRow("stride %d", length) << patternBytes(length, length + 1000);
}

void TestPassword::md5MatchesQtAcrossBlockBoundaries()
{
    QFETCH(QByteArray, input);
    md5wrapper md5;
    QCOMPARE(md5.hashString(input), qtMd5(input));
}

void TestPassword::md5ObjectIsReusable()
{
    md5wrapper md5;
    const QByteArray first = patternBytes(100, 1);
    const QByteArray second = patternBytes(30, 2);
    QCOMPARE(md5.hashString(first), qtMd5(first));
    QCOMPARE(md5.hashString(second), qtMd5(second));
    QCOMPARE(md5.hashString(first), qtMd5(first));
}

void TestPassword::selfTestPasses()
{
    md5wrapper md5;
    try {
        md5.selfTest();
    } catch (const hlException& e) {
        QFAIL(e.errorMessage().constData());
    }
}

void TestPassword::selfTestFailureIsReported()
{
    WrongAnswerMd5 md5;
    try {
        md5.selfTest();
        QFAIL("a wrong expected answer went unnoticed");
    } catch (const hlException& e) {
        QCOMPARE(e.errorNumber(), 2);
        QCOMPARE(e.errorMessage(),
                 QByteArray("hashlib test-error: \"9e107d9d372bb6826bd81d3542a419d6\" is not "
                            "\"00000000000000000000000000000000\" as supposed to be."));
    }
}

void TestPassword::hashFileMatchesQt_data()
{
    QTest::addColumn<int>("length");
    for (const int length : {0, 1, 64, 1023, 1024, 1025, 2048, 5000})
        QTest::addRow("%d bytes", length) << length;
}

void TestPassword::hashFileMatchesQt()
{
    QFETCH(int, length);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray bytes = patternBytes(length, 7);
    const QString path = writeFile(dir, "data.bin", bytes);
    QVERIFY(!path.isEmpty());
    md5wrapper md5;
    md5.hashString("something left behind");
    QCOMPARE(md5.hashFile(path), qtMd5(bytes));
}

void TestPassword::hashFileUnreadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "no such file.bin";
    QTest::newRow("directory") << "";
}

void TestPassword::hashFileUnreadable()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);
    md5wrapper md5;
    try {
        md5.hashFile(path);
        QFAIL("no exception for an unreadable file");
    } catch (const hlException& e) {
        QCOMPARE(e.errorNumber(), 1);
        QCOMPARE(e.errorMessage(), "Cannot read file \"" + path.toUtf8() + "\".");
    }
    // The failure leaves the object usable.
    QCOMPARE(md5.hashString("abc"), QString("900150983cd24fb0d6963f7d28e17f72"));
}

void TestPassword::alphabetsHoldTheSameCharactersOnce()
{
    const QByteArray first(passwordAlphabet);
    const QByteArray second(passwordSubstitutes);
    QCOMPARE(first.size(), 89);
    QCOMPARE(second.size(), 89);

    std::set<char> expected;
    for (char c = 32; c < 127; ++c) {
        if (!QByteArray("\"*@^`~").contains(c))
            expected.insert(c);
    }
    const std::set<char> firstSet(first.begin(), first.end());
    const std::set<char> secondSet(second.begin(), second.end());
    QCOMPARE(firstSet.size(), size_t(89));
    QCOMPARE(secondSet.size(), size_t(89));
    QVERIFY(firstSet == expected);
    QVERIFY(secondSet == expected);
}

// Digests worked out independently of this program, so a change to either alphabet or to the
// digest shows here and would lock every existing account out.
void TestPassword::encodeKnownPasswords_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << ""
                           << "d41d8cd98f00b204e9800998ecf8427e";
    QTest::newRow("space") << " "
                           << "4c614360da93c0a041b22e537de151eb";
    QTest::newRow("two spaces") << "  "
                                << "81cf6107131a3583e2b0b762cb9c2862";
    QTest::newRow("backslash") << "\\"
                               << "f95b70fdc3088560732a5ac135644506";
    QTest::newRow("apostrophe, last position") << "'"
                                               << "e4da3b7fbbce2345d7772b0674a318d5";
    QTest::newRow("first position") << "K"
                                    << "e358efa489f58062f10dd7316b65649e";
    QTest::newRow("substitute not looked up again") << "a'"
                                                    << "4da8bfb41edb65b245824a9f753bd26d";
    QTest::newRow("same substitute everywhere") << "aaaa"
                                                << "f6918a82743b05860740314a6220afe3";
    QTest::newRow("mixed") << "O'Brien; \\x"
                           << "91bd705f6763ce6cf4f820dff8c24d03";
    QTest::newRow("whole alphabet")
        << QString(passwordAlphabet) << "03fdff21c8bf5e5c852f250a95bc7927";
    QTest::newRow("tilde kept") << "a~b"
                                << "d03e2254fdc596b87d56a5c6ee6acb72";
    QTest::newRow("accented letters kept")
        << QString::fromUtf8("\xc3\xa9t\xc3\xa9") << "01dbb419c8f164ea0868bcd0c3ecf87e";
    QTest::newRow("surrogate pair kept")
        << QString::fromUtf8("\xf0\x9f\x98\x80x") << "74d025088947ce0785c3a1078bb8b5b4";
}

void TestPassword::encodeKnownPasswords()
{
    QFETCH(QString, password);
    QFETCH(QString, stored);
    QCOMPARE(encodePasswordText(password), stored);
}

void TestPassword::encodedFormIs32LowerHexDigits_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("one") << "x";
    QTest::newRow("outside alphabet") << QString::fromUtf8("\"*@^`~\xe2\x82\xac");
    QTest::newRow("long") << QString("Ab1!").repeated(500);
}

void TestPassword::encodedFormIs32LowerHexDigits()
{
    QFETCH(QString, password);
    const QString stored = encodePasswordText(password);
    QCOMPARE(stored.size(), 32);
    for (const QChar c : stored)
        QVERIFY2(QString("0123456789abcdef").contains(c), qPrintable(stored));
}

void TestPassword::letterCaseMatters()
{
    QCOMPARE(encodePasswordText("Password1"), QString("125a01d915518626f066a8ad6426615c"));
    QCOMPARE(encodePasswordText("password1"), QString("901595dd845bab090d24a2669a27f0d4"));
    QCOMPARE(encodePasswordText("PASSWORD1"), QString("b62ce1d26580f08cf16048d1707f7b1e"));
}

void TestPassword::charactersAllowed_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("refused");
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("edge characters") << " \\'K" << true << "";
    QTest::newRow("each of the six") << "a\"*@^`~b" << false << "\"*@^`~";
    QTest::newRow("repeats listed once") << "~x~y~" << false << "~";
    QTest::newRow("order of appearance") << "@a~b@" << false << "@~";
    QTest::newRow("tab and line feed") << "a\tb\n" << false << "\t\n";
    QTest::newRow("non-ASCII") << QString::fromUtf8("gr\xc3\xbc\xc3\x9f") << false
                               << QString::fromUtf8("\xc3\xbc\xc3\x9f");
    QTest::newRow("two emoji sharing a high surrogate")
        << QString::fromUtf8("\xf0\x9f\x98\x80\xf0\x9f\x98\x81") << false
        << QString::fromUtf8("\xf0\x9f\x98\x80\xf0\x9f\x98\x81");
}

void TestPassword::charactersAllowed()
{
    QFETCH(QString, password);
    QFETCH(bool, allowed);
    QFETCH(QString, refused);
    QString actual = "stale";
    QCOMPARE(passwordCharactersAllowed(password, &actual), allowed);
    QCOMPARE(actual, refused);
    QCOMPARE(passwordCharactersAllowed(password), allowed);
}

TALVORA_TEST_MAIN(TestPassword)
#include "tst_password.moc"

// Random and hostile text through every text rule: nothing may crash or hang,
// and what the rules promise must hold for any input.
#include "headers/header_annotation.h"
#include "headers/value_format.h"
#include "url/url_completion.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

namespace {

// Pieces that the rules look for, so that random text hits them often.
const char16_t *const kPieces[] = {
    u"//", u"/", u":", u"www.", u"/www.", u"https", u"ftp", u"Date:", u"Content-Length:",
    u"Expires:", u"Keep-Alive", u"X-Powered-By: PHP/", u"close", u", max=", u"\r\n", u"\n",
    u" ", u"\t", u"\u3000", u"時刻:", u"サイズ:", u"1260", u"Sun, 06 Nov 1994 08:49:37 GMT",
    u"99999999999999999999",
};

QString randomText(QRandomGenerator &random)
{
    QString text;
    for (int parts = random.bounded(12); parts > 0; --parts) {
        if (random.bounded(2) == 0)
            text += QString::fromUtf16(kPieces[random.bounded(int(std::size(kPieces)))]);
        else // any UTF-16 unit: NUL, controls, lone surrogates, CJK, ASCII
            text += QChar(char16_t(random.bounded(random.bounded(2) ? 0x80 : 0x10000)));
    }
    return text;
}

QStringList hostileTexts()
{
    return {
        QString(),
        QString(200, QChar(u'\0')) + QStringLiteral("www."),
        QString(1, QChar(char16_t(0xD800))),
        QString(1, QChar(char16_t(0xDFFF))) + QStringLiteral("//"),
        QString(100000, QChar(u':')),
        QStringLiteral("//").repeated(50000),
        QStringLiteral("Date:").repeated(20000),
        QStringLiteral("closeclos").repeated(20000),
        QStringLiteral("x").repeated(300000) + QStringLiteral("://y"),
        QStringLiteral("Content-Length: ") + QStringLiteral("9").repeated(100000),
        QString(40000, QChar(0x3000)),
        QStringLiteral("\r\n").repeated(40000),
    };
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

class TestTextRobustness : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void completion();
    void translation();
    void values();
    void presentation();
    void largeBlockIsFast();

private:
    QStringList inputs_;
};

void TestTextRobustness::initTestCase()
{
    QRandomGenerator random(20240611);
    inputs_ = hostileTexts();
    for (int i = 0; i < 3000; ++i)
        inputs_ << randomText(random);
}

void TestTextRobustness::completion()
{
    for (const QString &typed : std::as_const(inputs_)) {
        const url::Completion result = url::CompleteURL(typed);
        QVERIFY(result.url.isEmpty() || (!isBlank(result.url.front()) && !isBlank(result.url.back())));
        if (result.valid) {
            QVERIFY(result.url.startsWith(u"http://") || result.url.startsWith(u"https:"));
            QVERIFY(result.warning.isEmpty() || result.warning == url::kFtpNotice);
        } else {
            QVERIFY(typed.contains(result.url));
            QVERIFY(!result.warning.isEmpty());
        }

        const QString directory = url::MakeURLPath(typed);
        QVERIFY(typed.startsWith(directory));
        QVERIFY(directory == typed || (directory.endsWith(u'/') && !directory.endsWith(u"//")));
    }
}

// QString::replace has the row semantics too (non-overlapping, left to right
// over the text as it stood before the row) but folds case in Unicode; on
// ASCII text the two must agree.
void TestTextRobustness::translation()
{
    for (const QString &block : std::as_const(inputs_)) {
        const QString translated = mod::TranslateHeaders(block);
        if (!isAscii(block) || block.size() > 10000)
            continue;
        QString reference = block;
        for (const mod::Annotation &row : mod::Annotations())
            reference.replace(row.english.toString(), row.japanese.toString(), Qt::CaseInsensitive);
        QCOMPARE(translated, reference);
    }
}

void TestTextRobustness::values()
{
    const QRegularExpression sizeText(QStringLiteral("^(\\d{1,3}\\.\\d\\d [KMG]B)?$"));
    const QRegularExpression dateText(
        QString::fromUtf16(u"^(\\d{4}年\\d{1,2}月\\d{1,2}日 \\d\\d時\\d\\d分\\d\\d秒)?$"));
    QRandomGenerator random(7);
    for (int i = 0; i < 3000; ++i) {
        const qint64 bytes = qint64(random.generate64() >> random.bounded(64));
        const QString text = headers::cnvCalc(bytes); // negative counts: only no crash
        QCOMPARE(text.isEmpty(), bytes >= headers::kSizeTextLimit);
        if (bytes >= 0) {
            QVERIFY2(sizeText.match(text).hasMatch(), qPrintable(text));
            QVERIFY(text.isEmpty() || text.section(u' ', 0, 0).toDouble() <= 999.0);
        }
        QCOMPARE(headers::groupThousands(bytes).remove(u','), QString::number(bytes));
    }
    for (const QString &value : std::as_const(inputs_)) {
        const QString size = headers::cnvCalc(value);
        QVERIFY(size.isEmpty() || size.front().isDigit() || size.front() == u'-');
        QVERIFY(dateText.match(headers::FormatHttpDate(value)).hasMatch());
    }
}

void TestTextRobustness::presentation()
{
    QRandomGenerator random(99);
    for (const QString &block : std::as_const(inputs_)) {
        const QString answer = inputs_.at(random.bounded(int(inputs_.size())));
        const QString shown =
            headers::FormatHeaderText(block, [&answer](const QString &) { return answer; });
        for (qsizetype at = shown.indexOf(u':'); at >= 0; at = shown.indexOf(u':', at + 1))
            QVERIFY(at > 0 && shown[at - 1] == u' ');

        // With no header values only the labels and the colon spacing apply.
        const QString plain = headers::FormatHeaderText(block, nullptr);
        QCOMPARE(plain, mod::TranslateHeaders(block).replace(u':', QStringLiteral(" :")));
    }
}

// A block of several megabytes must go through in a moment; anything
// quadratic in the block's size would take minutes.
void TestTextRobustness::largeBlockIsFast()
{
    const QString line = QStringLiteral(
        "Set-Cookie: id=close; Expires: Sun, 06 Nov 1994 08:49:37 GMT; max=5, max=6\r\n");
    const QString block = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Length: 1260\r\n")
                          + line.repeated(4 * 1024 * 1024 / line.size());
    const auto lookup = [](const QString &name) {
        return name == u"Content-Length" ? QStringLiteral("1260") : QString();
    };
    QElapsedTimer timer;
    timer.start();
    const QString shown = headers::FormatHeaderText(block, lookup);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(shown.contains(QString::fromUtf16(u"サイズ : 1.23 KB (1,260 バイト)")));
}

QTEST_GUILESS_MAIN(TestTextRobustness)
#include "test_text_robustness.moc"

// Random and hostile text through every text rule: nothing may crash or hang,
// and what the rules promise must hold for any input.
#include "headers/header_annotation.h"
#include "headers/value_format.h"
#include "url/url_completion.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <limits>

class TestTextRobustness : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void anyText();
    void anyByteCount();
};

void TestTextRobustness::anyText()
{
    // Hostile texts, then random ones built from pieces that the rules look for
    // and from any UTF-16 unit (NUL, controls, lone surrogates, CJK, ASCII).
    // The multi-megabyte block has four matches a line: anything quadratic
    // in the text's size or the number of matches would take far longer.
    const QString cookie = QStringLiteral(
        "Set-Cookie: a=close; Expires: Sun, 06 Nov 1994 08:49:37 GMT; max=5, max=6\r\n");
    QStringList texts = {QString(), QString(200, QChar(u'\0')).append(u"www."),
        QString(1, QChar(0xD800)), QString(1, QChar(0xDFFF)).append(u"//"),
        QString(100000, QChar(u':')), QStringLiteral("//").repeated(50000),
        QStringLiteral("x").repeated(300000).append(u"://y"), cookie.repeated(50000),
        QStringLiteral("Content-Length: ").append(QString(100000, QChar(u'9')))};
    const char16_t *const pieces[] = {u"//", u"/", u":", u"www.", u"/www.", u"https", u"ftp",
        u"Date:", u"Content-Length:", u"Expires:", u"Keep-Alive", u"X-Powered-By: PHP/", u"close",
        u", max=", u"\r\n", u"\n", u" ", u"\t", u"\u3000", u"時刻:", u"サイズ:", u"1260",
        u"Sun, 06 Nov 1994 08:49:37 GMT"};
    QRandomGenerator random(20240611);
    for (int i = 0; i < 3000; ++i) {
        QString text;
        for (int parts = random.bounded(12); parts > 0; --parts) {
            if (random.bounded(2) == 0)
                text += QString::fromUtf16(pieces[random.bounded(int(std::size(pieces)))]);
            else
                text += QChar(char16_t(random.bounded(random.bounded(2) ? 0x80 : 0x10000)));
        }
        texts << text;
    }

    const QRegularExpression dateText(
        QString::fromUtf16(u"^(\\d{4}年\\d{1,2}月\\d{1,2}日 \\d\\d時\\d\\d分\\d\\d秒)?$"));
    for (const QString &text : std::as_const(texts)) {
        const url::Completion result = url::CompleteURL(text);
        if (result.valid) {
            QVERIFY(result.url.startsWith(u"http://") || result.url.startsWith(u"https:"));
            QVERIFY(result.warning.isEmpty() || result.warning == url::kFtpNotice);
        } else {
            QVERIFY(text.contains(result.url) && !result.warning.isEmpty());
        }
        const QString directory = url::MakeURLPath(text);
        QVERIFY(text.startsWith(directory));
        QVERIFY(directory == text || (directory.endsWith(u'/') && !directory.endsWith(u"//")));

        const QString translated = mod::TranslateHeaders(text);

        // Any text as a header value: dates come out whole or not at all, and
        // every ":" of the block gets its space.
        QVERIFY(dateText.match(headers::FormatHttpDate(text)).hasMatch());
        const QString answer = texts.at(random.bounded(int(texts.size())));
        const QString shown =
            headers::FormatHeaderText(text, [&answer](const QString &) { return answer; });
        for (qsizetype at = shown.indexOf(u':'); at >= 0; at = shown.indexOf(u':', at + 1))
            QVERIFY(at > 0 && shown[at - 1] == u' ');
        QCOMPARE(headers::FormatHeaderText(text, nullptr),
                 QString(translated).replace(u':', QStringLiteral(" :")));
    }
}

void TestTextRobustness::anyByteCount()
{
    const QRegularExpression sizeText(QStringLiteral("^(\\d{1,3}\\.\\d\\d [KMG]B)?$"));
    const QRegularExpression grouped(QStringLiteral("^-?\\d{1,3}(,\\d{3})*$"));
    QRandomGenerator random(7);
    for (int i = 0; i < 3000; ++i) {
        const qint64 bytes = i == 0 ? std::numeric_limits<qint64>::min()
                                    : qint64(random.generate64() >> random.bounded(64));
        const QString text = headers::cnvCalc(bytes); // negative counts: only no crash
        QCOMPARE(text.isEmpty(), bytes >= headers::kSizeTextLimit);
        QVERIFY2(bytes < 0 || sizeText.match(text).hasMatch(), qPrintable(text));
        const QString thousands = headers::groupThousands(bytes);
        QVERIFY2(grouped.match(thousands).hasMatch(), qPrintable(thousands));
        QCOMPARE(QString(thousands).remove(u','), QString::number(bytes));
    }
}

QTEST_GUILESS_MAIN(TestTextRobustness)
#include "test_text_robustness.moc"

// Random and hostile text through every text rule: nothing may crash or hang,
// and what the rules promise must hold for any input.
#include "headers/value_format.h"
#include "url/url_completion.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTextRobustness : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void anyText()
    {
        // Hostile texts, then random ones built from pieces that the rules look for
        // and from any UTF-16 unit (NUL, controls, lone surrogates, CJK, ASCII).
        // The multi-megabyte block has four matches a line: anything quadratic
        // in the text's size or the number of matches would take far longer.
        const QString cookie = u"Set-Cookie: a=close; Expires: Sun, 06 Nov 1994 08:49:37 GMT; max=5, max=6\r\n"_s;
        QStringList texts = {QString(), QString(200, u'\0') + u"www."_s, QString(1, QChar(0xD800)),
                             QString(1, QChar(0xDFFF)) + u"//"_s, QString(100000, u':'), u"//"_s.repeated(50000),
                             QString(300000, u'x') + u"://y"_s, cookie.repeated(50000),
                             u"Content-Length: "_s + QString(100000, u'9')};
        const QStringList pieces = u"//|/|:|www.|/www.|https|ftp|Date:|Content-Length:|Expires:|Keep-Alive|"
                                   u"X-Powered-By: PHP/|close|, max=|\r\n|\n| |\t|\u3000|時刻:|サイズ:|1260|"
                                   u"Sun, 06 Nov 1994 08:49:37 GMT"_s.split(u'|');
        QRandomGenerator random(20240611);
        for (int i = 0; i < 3000; ++i) {
            QString text;
            for (int parts = random.bounded(12); parts > 0; --parts)
                text += random.bounded(2) ? pieces.at(random.bounded(int(pieces.size())))
                                          : QChar(char16_t(random.bounded(random.bounded(2) ? 0x80 : 0x10000)));
            texts << text;
        }

        const QRegularExpression dateText(u"^(\\d{4}年\\d{1,2}月\\d{1,2}日 \\d\\d時\\d\\d分\\d\\d秒)?$"_s);
        for (const QString &text : std::as_const(texts)) {
            url::CompleteURL(text);
            QVERIFY(text.startsWith(url::MakeURLPath(text)));
            // Any text as a header value: dates come out whole or not at all, and
            // every ":" of the block gets its space.
            QVERIFY(dateText.match(headers::FormatHttpDate(text)).hasMatch());
            const QString answer = texts.at(random.bounded(int(texts.size())));
            const QString shown = headers::FormatHeaderText(text, [&answer](const QString &) { return answer; });
            QVERIFY(!shown.contains(QRegularExpression(u"(^|[^ ]):"_s)));
        }
    }
};

QTEST_GUILESS_MAIN(TestTextRobustness)
#include "test_text_robustness.moc"

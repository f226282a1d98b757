// Times the presentation of response header blocks of 1, 8 and 64 KiB and
// prints the median per block and per KiB.
#include "core/headers/value_format.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A realistic response: the usual headers followed by cookies and custom
// headers until the block has the wanted size.
QString headerBlock(qsizetype kib)
{
    QString block = QStringLiteral("HTTP/1.1 200 OK\r\n"
                                   "Server: nginx/1.22.1\r\n"
                                   "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                   "Content-Type: text/html; charset=utf-8\r\n"
                                   "Content-Length: 3221225472\r\n"
                                   "Last-Modified: Sat, 05 Nov 1994 10:00:00 GMT\r\n"
                                   "Connection: keep-alive\r\n"
                                   "Keep-Alive: timeout=5, max=100\r\n"
                                   "ETag: \"5f1e-3c0a2b7d\"\r\n"
                                   "Cache-Control: no-cache, no-store, must-revalidate\r\n"
                                   "Expires: 0\r\n"
                                   "Accept-Ranges: bytes\r\n");
    const QStringList filler = {
        QStringLiteral("Set-Cookie: session=8f14e45fceea167a5a36dedd4bea2543; Path=/; "
                       "Expires=Wed, 21 Oct 2015 07:28:00 GMT; HttpOnly\r\n"),
        QStringLiteral("X-Request-Id: 2c1d7a5e-93b1-4c9e-8f0a-7b6d5e4c3b2a\r\n"),
        QStringLiteral("Vary: Accept-Encoding, User-Agent\r\n"),
        QStringLiteral("Link: <https://example.com/style.css>; rel=preload; as=style\r\n"),
    };
    const qsizetype wanted = kib * 1024 - 2;
    for (qsizetype i = 0; block.size() < wanted; ++i)
        block += filler.at(i % filler.size());
    block.truncate(wanted);
    return block + QStringLiteral("\r\n");
}

QString lookUp(const QString &name)
{
    if (name == u"Content-Length")
        return QStringLiteral("3221225472");
    if (name == u"Date")
        return QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT");
    if (name == u"Last-Modified")
        return QStringLiteral("Sat, 05 Nov 1994 10:00:00 GMT");
    if (name == u"Expires")
        return QStringLiteral("0");
    return {};
}

double medianMilliseconds(const QString &block, int repetitions)
{
    std::vector<double> times;
    times.reserve(repetitions);
    qsizetype sink = 0;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        sink += headers::FormatHeaderText(block, lookUp).size();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + repetitions / 2, times.end());
    if (sink == 0)
        std::puts("(no output)");
    return times[repetitions / 2];
}

} // namespace

int main()
{
    double at64 = 0;
    for (const qsizetype kib : {1, 8, 64}) {
        const QString block = headerBlock(kib);
        const int repetitions = kib == 64 ? 201 : 1001;
        const double median = medianMilliseconds(block, repetitions);
        std::printf("%3lld KiB block: median %8.3f ms per block, %7.4f ms per KiB (%d runs)\n",
            static_cast<long long>(kib), median, median / double(kib), repetitions);
        if (kib == 64)
            at64 = median;
    }
    std::printf("64 KiB block under 10 ms: %s\n", at64 < 10.0 ? "yes" : "no");
    return at64 < 10.0 ? 0 : 1;
}

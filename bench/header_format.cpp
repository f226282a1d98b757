// Times the presentation of response header blocks of 1, 8 and 64 KiB and
// prints the median per block and per KiB.
#include "core/headers/value_format.h"
#include "fixtures/header_block.h"
#include "fixtures/measure.h"

#include <QString>
#include <QStringList>

#include <cstdio>

int main()
{
    double at64 = 0;
    for (const qsizetype kib : {1, 8, 64}) {
        const QString block = headerBlock(kib);
        const int repetitions = kib == 64 ? 201 : 1001;
        const double median = MedianMilliseconds(
            [&] { return headers::FormatHeaderText(block, lookUp).size(); }, repetitions);
        std::printf("%3lld KiB block: median %8.3f ms per block, %7.4f ms per KiB (%d runs)\n",
            static_cast<long long>(kib), median, median / double(kib), repetitions);
        if (kib == 64)
            at64 = median;
    }
    std::printf("64 KiB block under 10 ms: %s\n", at64 < 10.0 ? "yes" : "no");
    return at64 < 10.0 ? 0 : 1;
}

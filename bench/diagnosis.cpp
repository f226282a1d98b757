// Times the diagnosis of response header blocks of 1 and 64 KiB against the
// header box's presentation of the same block, measured in the same run, and
// prints both medians and their ratio. The goal: the diagnosis adds under
// 1 ms to a request.
#include "core/diagnosis/diagnosis.h"
#include "core/headers/value_format.h"
#include "fixtures/header_block.h"
#include "fixtures/measure.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

int main()
{
    double at64 = 0;
    for (const qsizetype kib : {1, 64}) {
        const QString block = headerBlock(kib);
        const int repetitions = kib == 64 ? 201 : 1001;
        const double shown = MedianMilliseconds(
            [&] { return headers::FormatHeaderText(block, lookUp).size(); }, repetitions);
        const double diagnosed = MedianMilliseconds(
            [&] {
                diagnosis::Response response = diagnosis::ReadBlock(block);
                response.url = QStringLiteral("https://example.com/");
                response.tls = true;
                return diagnosis::Diagnose(response).findings.size();
            },
            repetitions);
        std::printf(
            "%3lld KiB block: diagnosis %.3f ms, header box %.3f ms, ratio diagnosis/header box %.2f\n",
            static_cast<long long>(kib), diagnosed, shown, diagnosed / shown);
        if (kib == 64)
            at64 = diagnosed;
    }
    std::printf("64 KiB block diagnosed in under 1 ms: %s\n", at64 < 1.0 ? "yes" : "no");
    return 0;
}

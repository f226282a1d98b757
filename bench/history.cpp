// Times the URL history on a large file: LoadHistory (what opening the popup
// menu reads) and AddHistory for a new URL and for one among the last 20
// lines, each the median of several runs, and the peak memory they add.
//
//   bench_history [lines] [runs]     (defaults: 100000 lines, 21 runs)
#include "core/storage/history.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// An address of about 80 bytes, different for every n.
QByteArray Address(int n)
{
    return "https://www.example.com/archive/2006/02/section-" + QByteArray::number(n % 97) + "/document-"
        + QByteArray::number(n) + ".html?ref=list";
}

// Writes the history file line by line, so that making it does not raise
// this process's peak memory.
bool MakeHistory(const QString &path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int n = 1; n <= lines; ++n) {
        if (file.write(n == 1 ? Address(n) : "\r\n" + Address(n)) < 0)
            return false;
    }
    return true;
}

// VmHWM, the peak resident memory of this process, in KiB.
long PeakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Starts the peak anew from the current resident memory (Linux 4.0 and later).
void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double MedianMilliseconds(int runs, const std::function<void(int)> &run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run(i);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[size_t(runs / 2)];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(21, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 21;

    QTemporaryDir dir;
    const QString path = dir.filePath(history::kHistoryFileName.toString());
    if (!dir.isValid() || !MakeHistory(path, lines)) {
        std::puts("cannot write the history file");
        return 1;
    }
    std::printf("history file: %d lines, %.1f MiB\n", lines, double(QFileInfo(path).size()) / (1024 * 1024));

    ResetPeak();
    const long before = PeakKiB();
    int unexpected = 0;

    const double load = MedianMilliseconds(runs, [&](int) {
        const auto items = history::LoadHistory(path);
        unexpected += !items || items->size() != history::kShownLines;
    });
    const QString recent = QString::fromLatin1(Address(lines - 10));
    const double listed = MedianMilliseconds(runs,
        [&](int) { unexpected += history::AddHistory(path, recent) != history::AddResult::AlreadyListed; });
    const double appended = MedianMilliseconds(runs, [&](int i) {
        const QString url = QStringLiteral("https://new.example.com/%1").arg(i);
        unexpected += history::AddHistory(path, url) != history::AddResult::Appended;
    });
    const long after = PeakKiB();

    std::printf("LoadHistory (popup opening):       median %7.3f ms\n", load);
    std::printf("AddHistory, among the last 20:     median %7.3f ms\n", listed);
    std::printf("AddHistory, new URL appended:      median %7.3f ms\n", appended);
    std::printf("peak memory: %ld KiB before, %ld KiB after (+%ld KiB); %d runs each\n", before, after,
        after - before, runs);
    if (unexpected > 0)
        std::printf("%d runs gave an unexpected result\n", unexpected);
    return unexpected > 0 ? 1 : 0;
}

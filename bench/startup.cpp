// Start-up time of the window against a minimal Qt Widgets program: each is
// started as its own process, alternately, and timed from the start until its
// window has been shown and painted; then it quits. The window starts with a
// settings file and a 20-line history, as it does on a user's machine.
// Without a display both run on Qt's offscreen platform.
//
//   bench_startup [pairs]     (default: 15)
#include "gui/form1.h"
#include "support/recording_boxes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Child mode: shows the window (or a bare QWidget) and quits once it is painted.
int showAndQuit(int argc, char **argv, bool tobrell, const QString &folder)
{
    QApplication app(argc, argv);
    QDir::setCurrent(folder);
    std::unique_ptr<QWidget> window;
    if (tobrell)
        window = std::make_unique<Form1>(nullptr, nullptr, folder);
    else
        window = std::make_unique<QWidget>();
    window->show();
    // Queued behind the first paint of the shown window.
    QTimer::singleShot(0, &app, [&] {
        window->repaint();
        QCoreApplication::quit();
    });
    return QApplication::exec();
}

double timeChild(const QString &self, const QStringList &arguments)
{
    QElapsedTimer clock;
    clock.start();
    QProcess child;
    child.start(self, arguments);
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && (std::strcmp(argv[1], "--tobrell") == 0 || std::strcmp(argv[1], "--minimal") == 0))
        return showAndQuit(
            argc, argv, std::strcmp(argv[1], "--tobrell") == 0, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const int pairs = std::max(3, argc > 1 ? std::atoi(argv[1]) : 15);
    QTemporaryDir folder;
    QFile settings(folder.filePath(QStringLiteral("settei.ini")));
    QFile history(folder.filePath(QStringLiteral("rireki.txt")));
    if (!settings.open(QIODevice::WriteOnly) || !history.open(QIODevice::WriteOnly))
        return 1;
    settings.write("[Position]\nTop=1500\nLeft=1500\n[Check]\nRef=1\nClip=0\nRename=1\nTopMost=False\n"
                   "TipHint=True\n[String]\nURL=http://www.example.com/\n[Counter]\nGetHead=12\n");
    for (int n = 1; n <= 20; ++n)
        history.write(
            (n > 1 ? "\r\n" : "") + QByteArray("http://www.example.com/page-") + QByteArray::number(n));
    settings.close();
    history.close();

    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> window, minimal, ratios;
    for (int i = 0; i < pairs; ++i) {
        const double w = timeChild(self, {QStringLiteral("--tobrell"), folder.path()});
        const double m = timeChild(self, {QStringLiteral("--minimal"), folder.path()});
        if (w < 0 || m < 0) {
            std::fprintf(stderr, "a child failed to start or show its window\n");
            return 1;
        }
        window.push_back(w);
        minimal.push_back(m);
        ratios.push_back(w / m);
    }
    std::printf("start to window shown, median of %d: window %.1f ms, minimal Qt Widgets program %.1f ms\n",
        pairs, median(window), median(minimal));
    std::printf("median ratio window/minimal: %.2f (target at most 1.5)\n", median(ratios));
    return 0;
}

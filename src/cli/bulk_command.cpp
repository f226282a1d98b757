#include "cli/bulk_command.h"

#include "cli/bulk_output.h"
#include "core/bulk/bulk_runner.h"
#include "core/headers/value_format.h"
#include "core/report/json_report.h"
#include "core/termination_signals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cerrno>

#include <unistd.h>

namespace {

// Output is gathered and written at most kFlushDelayMs after the first
// result waiting, or when kFlushSize waits: a long list costs few writes, and
// a reader still sees each result at once to the eye.
constexpr qsizetype kFlushSize = 64 * 1024;
constexpr int kFlushDelayMs = 100;
constexpr int kProgressIntervalMs = 250;
// Erases the progress line: back to its start, clear to the end of the line.
constexpr char kEraseLine[] = "\r\x1b[K";

class BulkCommand : public QObject {
public:
    BulkCommand(const HeadOptions &options, bulk::AddressSource &source, QIODevice &out, QIODevice &err,
        bool progress)
        : options_(options), source_(source), out_(out), err_(err), progress_(progress),
          single_(options.list.isEmpty() && options.addresses.size() == 1), runner_(source, Options(options))
    {
        connect(&runner_, &bulk::Runner::resultReady, this, &BulkCommand::report);
        connect(&runner_, &bulk::Runner::done, this, &BulkCommand::finish);
        connect(&signals_, &TerminationSignals::received, this, [this](int number) {
            status_ = 128 + number;
            runner_.stop();
        });
        flushTimer_.setSingleShot(true);
        connect(&flushTimer_, &QTimer::timeout, this, &BulkCommand::flush);
        if (progress_) {
            connect(&progressTimer_, &QTimer::timeout, this, &BulkCommand::drawProgress);
            progressTimer_.start(kProgressIntervalMs);
        }
        if (options.csv)
            write(bulkoutput::CsvHeader().toUtf8());
    }

    int run()
    {
        clock_.start();
        runner_.start();
        QCoreApplication::exec();
        return status_;
    }

private:
    static bulk::Options Options(const HeadOptions &options)
    {
        bulk::Options bulk;
        bulk.parallel = options.parallel;
        bulk.location = options.location;
        bulk.referer = options.referer;
        bulk.autoReferer = options.autoReferer;
        bulk.certificate = options.json; // the JSON has the certificate over https
        bulk.http2 = options.http2;
        return bulk;
    }

    void report(const bulk::Result &result)
    {
        ++done_;
        if (!result.answered()) {
            ++failures_;
            if (status_ == exitstatus::kAnswered)
                status_ = exitstatus::kFailed;
            if (single_)
                say(result.failure);
            else if (!options_.json && !options_.csv)
                say(result.address + QStringLiteral(": ") + result.failure);
        }
        if (single_ && result.outcome == bulk::Result::Outcome::Refused) {
            status_ = exitstatus::kBadUsage; // as a single --head says it
            return;
        }
        if (options_.json)
            write(report::JsonLine(report::ReportObject(result, options_.check)));
        else if (options_.csv)
            write(bulkoutput::CsvRow(result).toUtf8());
        else
            write(bulkoutput::TextLine(result, options_.timing).toUtf8());
    }

    void write(const QByteArray &bytes)
    {
        pending_ += bytes;
        if (pending_.size() >= kFlushSize)
            flush();
        else if (!flushTimer_.isActive())
            flushTimer_.start(kFlushDelayMs);
    }

    void flush()
    {
        if (pending_.isEmpty() || writeFailed_)
            return;
        errno = 0;
        if (out_.write(pending_) == pending_.size()) {
            pending_.clear();
            return;
        }
        // A reader that went away (| head) needs no telling; any other failure does.
        writeFailed_ = true;
        if (errno != EPIPE)
            say(kWriteFailed.toString());
        if (status_ < exitstatus::kBadUsage)
            status_ = exitstatus::kFailed;
        runner_.stop();
    }

    void say(const QString &text)
    {
        if (progress_)
            err_.write(kEraseLine);
        err_.write(headers::VisibleControls(text + u'\n').toUtf8());
    }

    void drawProgress()
    {
        const double seconds = double(clock_.elapsed()) / 1000.0;
        const std::optional<qint64> total = source_.total();
        const QString text = QStringLiteral("%1%2 件完了、失敗 %3 件、%4 件/秒")
                                 .arg(done_)
                                 .arg(total ? QStringLiteral(" / %1").arg(*total) : QString())
                                 .arg(failures_)
                                 .arg(seconds > 0 ? double(done_) / seconds : 0.0, 0, 'f', 0);
        err_.write(kEraseLine + text.toUtf8());
    }

    void finish()
    {
        flush();
        if (progress_) {
            progressTimer_.stop();
            err_.write(kEraseLine);
        }
        QCoreApplication::exit(status_);
    }

    const HeadOptions &options_;
    bulk::AddressSource &source_;
    QIODevice &out_;
    QIODevice &err_;
    const bool progress_;
    const bool single_;
    bulk::Runner runner_;
    TerminationSignals signals_;
    QTimer flushTimer_;
    QTimer progressTimer_;
    QElapsedTimer clock_;
    QByteArray pending_;
    qint64 done_ = 0;
    qint64 failures_ = 0;
    bool writeFailed_ = false;
    int status_ = exitstatus::kAnswered;
};

} // namespace

int RunBulk(const HeadOptions &options, QIODevice &out, QIODevice &err, bool progress)
{
    QFile list;
    if (!options.list.isEmpty()) {
        const bool opened = options.list == u"-"
            ? list.open(STDIN_FILENO, QIODevice::ReadOnly)
            : (list.setFileName(options.list), list.open(QIODevice::ReadOnly));
        if (!opened) {
            err.write(headers::VisibleControls(QStringLiteral("tobrell: リストを読めません: %1 (%2)\n")
                                                   .arg(options.list, list.errorString()))
                          .toUtf8());
            return exitstatus::kBadUsage;
        }
    }
    bulk::AddressSource source(options.addresses, list.isOpen() ? &list : nullptr);
    BulkCommand command(options, source, out, err, progress);
    return command.run();
}

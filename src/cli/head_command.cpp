#include "cli/head_command.h"

#include "cli/check_text.h"
#include "core/address/url_completion.h"
#include "core/diagnosis/diagnosis.h"
#include "core/headers/value_format.h"
#include "core/report/certificate_text.h"
#include "core/report/last_response.h"
#include "core/report/timing_text.h"
#include "core/transfer/redirect_rule.h"
#include "core/transfer/state_report.h"
#include "core/transfer/transfer_control.h"

#include <QDateTime>
#include <QEventLoop>
#include <QIODevice>

#include <cerrno>

namespace {

// Sends one HEAD and waits until it has been answered or has failed. False
// when it failed; *reason then says why.
bool Ask(TransferControl &control, const QString &address, const QString &referer, QString *reason)
{
    QEventLoop loop;
    QObject::connect(&control, &Transfer::StateChanged, &loop, [&loop](int state) {
        if (state == int(TransferState::Failure) || state == int(TransferState::ResponseComplete))
            loop.quit();
    });
    if (!control.Execute(address, QStringLiteral("HEAD"), referer)) {
        *reason = engine::StateMessage(int(TransferState::Failure));
        return false;
    }
    loop.exec();
    *reason = control.LastFailure();
    return !control.Failed();
}

// One answer as the options want it printed.
QString AnswerText(const HeadOptions &options, const TransferControl &control)
{
    const QString block = control.GetHeader();
    QString text = options.raw
        ? QString(block).replace(u"\r\n"_qs, u"\n"_qs)
        : headers::HeaderBoxText(block, [&control](const QString &name) { return control.GetHeader(name); });
    text += u'\n';
    const ConnectionFacts facts = control.LastFacts();
    if (options.timing)
        text += u'\n' + TimingText(facts);
    if (options.certificate && !facts.certificate.isEmpty())
        text += u'\n' + CertificateText(facts, QDateTime::currentDateTimeUtc());
    return text;
}

} // namespace

int RunHead(const HeadOptions &options, QIODevice &out, QIODevice &err)
{
    // Whatever stdout and stderr are, nothing a server sent (a header, a
    // certificate's names, a reason quoting it, an address to follow) may act
    // on a terminal: every write shows the control characters.
    const auto say
        = [&err](const QString &text) { err.write(headers::VisibleControls(text + u'\n').toUtf8()); };
    const url::Completion completion = url::CompleteURL(options.address);
    if (!completion.warning.isEmpty())
        say(completion.warning);
    if (!completion.valid)
        return exitstatus::kBadUsage;

    TransferControl control;
    control.setCertificateWanted(options.certificate);
    control.setHttp2Wanted(options.http2);
    QString address = completion.url;
    for (int hop = 0;; ++hop) {
        const QString referer
            = url::RefererHeader(options.autoReferer ? url::AutomaticReferer(address) : options.referer);
        if (!headerTextIsSafe(address) || !headerTextIsSafe(referer)) {
            say(kUnsafeRequestWarning.toString());
            return exitstatus::kBadUsage;
        }
        QString reason;
        if (!Ask(control, address, referer, &reason)) {
            say(reason);
            return exitstatus::kFailed;
        }
        const redirect::Hop next
            = options.location ? redirect::NextHop(address, control.GetHeader()) : redirect::Hop();
        const bool last = next.kind != redirect::Hop::Kind::Follow || hop == redirect::kMostHops;
        // Hops are set apart by an empty line, as curl -I -L does.
        QString text = (hop > 0 ? u"\n"_qs : QString()) + AnswerText(options, control);
        if (options.check && last)
            text += CheckText(diagnosis::Diagnose(
                report::DiagnosisInput({address, control.GetHeader(), control.LastFacts()})));
        errno = 0;
        if (out.write(headers::VisibleControls(text).toUtf8()) < 0) {
            // A reader that went away (| head) needs no telling; any other failure does.
            if (errno != EPIPE)
                say(kWriteFailed.toString());
            return exitstatus::kFailed;
        }
        if (next.kind == redirect::Hop::Kind::None)
            return exitstatus::kAnswered;
        if (next.kind == redirect::Hop::Kind::Refused) {
            say(redirect::kDowngradeRefused.toString() + next.address);
            return exitstatus::kFailed;
        }
        if (hop == redirect::kMostHops) {
            say(redirect::kTooManyHops.toString().arg(redirect::kMostHops));
            return exitstatus::kFailed;
        }
        address = next.address;
    }
}

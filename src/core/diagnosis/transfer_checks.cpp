#include "core/diagnosis/checks.h"

namespace diagnosis {
namespace {

// Headers that may appear once; the same value twice does no harm.
constexpr QStringView kSingleHeaders[] = {u"Content-Type", u"Content-Length", u"Date", u"Expires",
    u"Last-Modified", u"ETag", u"Location", u"Age", u"Strict-Transport-Security"};

struct VersionNote {
    QStringView version;
    QStringView consequence;
    QStringView reference;
};

// What each version means for the requests a browser sends over one connection.
constexpr VersionNote kVersionNotes[] = {
    {u"HTTP/1.0", u"ブラウザは既定で要求ごとに接続を張り直します", u"RFC 1945"},
    {u"HTTP/1.1", u"ブラウザは 1 本の接続で要求を一つずつ送るため、並行するには接続を増やします",
        u"RFC 9112"},
    {u"HTTP/2", u"ブラウザは 1 本の接続で複数の要求を並行して送れます", u"RFC 9113"},
    {u"HTTP/3", u"ブラウザは QUIC の上で複数の要求を並行して送れます", u"RFC 9114"},
};

} // namespace

void CheckTransfer(const Context &context, QList<Finding> &findings)
{
    if (context.has(u"content-length"_qs) && context.has(u"transfer-encoding"_qs)) {
        Add(findings, u"cl-and-te", Level::Bad, kTransfer, u"content-length",
            Quoted(u"Content-Length", context.value(u"content-length"_qs)) + u"と"_qs
                + Quoted(u"Transfer-Encoding", context.value(u"transfer-encoding"_qs))
                + u"が両方あり、中継するプロキシと受け手で本体の終わりの判断が食い違うと、"
                  u"要求の密輸 (request smuggling) に使われかねません。"_qs,
            u"RFC 9112 §6.2");
    }
    for (QStringView name : kSingleHeaders) {
        const QString key = name.toString().toLower();
        const QStringList values = context.values(key);
        for (const QString &value : values) {
            if (value != values.first()) {
                Add(findings, u"repeated-header", Level::Bad, kTransfer, key,
                    name.toString() + u" が異なる値で繰り返されています ("_qs + Quoted(name, values.first())
                        + u"と"_qs + Quoted(name, value)
                        + u")。受け手によって使う値が異なり、結果が定まりません。"_qs,
                    u"RFC 9110 §5.3");
                break;
            }
        }
    }
    const QString encoding = context.value(u"content-encoding"_qs);
    if (!encoding.isEmpty() && encoding.compare(u"identity", Qt::CaseInsensitive) != 0
        && !context.listHas(u"vary"_qs, u"accept-encoding") && !context.listHas(u"vary"_qs, u"*")) {
        Add(findings, u"encoding-no-vary", Level::Warn, kTransfer, u"vary",
            Quoted(u"Content-Encoding", encoding)
                + u"の応答の Vary に Accept-Encoding がないため、共有キャッシュが圧縮された本体を"
                  u"それを読めない利用者にも渡しかねません。"_qs,
            u"RFC 9110 §12.5.5");
    }
    const QString version = context.response.httpVersion;
    QString message = Shown(version) + u" で応答がありました。"_qs;
    QStringView reference = u"RFC 9110 §2.5";
    for (const VersionNote &note : kVersionNotes) {
        if (note.version == version) {
            message = version + u" で応答があり、"_qs + note.consequence.toString() + u'。';
            reference = note.reference;
        }
    }
    Add(findings, u"http-version", Level::Info, kTransfer, QStringView(), message, reference);
}

} // namespace diagnosis

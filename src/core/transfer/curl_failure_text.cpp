#include "core/transfer/curl_failure_text.h"

#include <array>
#include <cerrno>

namespace {

// Every reason the transfer control can give, in one place.
const QString kNameNotFound = QStringLiteral("ホスト名が見つかりません。");
const QString kRefused = QStringLiteral("接続が拒否されました。");
const QString kNoConnection = QStringLiteral("接続できませんでした。");
const QString kTimedOut = QStringLiteral("タイムアウトしました。");
const QString kCertificate = QStringLiteral("証明書を検証できませんでした。");
const QString kConnectionLost = QStringLiteral("接続が切断されました。");
const QString kBadAddress = QStringLiteral("URLが正しくありません。");
const QString kUnreadableReply = QStringLiteral("サーバーの応答を読み取れませんでした。");
const QString kOther = QStringLiteral("通信エラー。");

const QString &Reason(CURLcode result, long osErrno, bool requestSent)
{
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return kNameNotFound;
    case CURLE_COULDNT_CONNECT:
        return osErrno == ECONNREFUSED ? kRefused : kNoConnection;
    case CURLE_OPERATION_TIMEDOUT:
        return kTimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return kCertificate;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
        return kConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
        return kUnreadableReply;
    case CURLE_UNSUPPORTED_PROTOCOL:
        // After the request: an answer that is not HTTP (libcurl calls it HTTP/0.9).
        return requestSent ? kUnreadableReply : kBadAddress;
    case CURLE_URL_MALFORMAT:
        return kBadAddress;
    default:
        return kOther;
    }
}

} // namespace

QString CurlFailureText(CURLcode result, long osErrno, const char *detail, bool requestSent)
{
    QString explanation = QString::fromUtf8(detail).trimmed();
    if (explanation.isEmpty())
        explanation = QString::fromUtf8(curl_easy_strerror(result));
    return Reason(result, osErrno, requestSent) + QStringLiteral(" (") + explanation + u')';
}

QString HeaderFaultText(HeaderFault fault)
{
    // In the order of HeaderFault.
    static const std::array<QString, 7> details = {
        QStringLiteral("ヘッダ行の途中に CR があります"),
        QStringLiteral("ヘッダの行が多すぎます"),
        QStringLiteral("ヘッダ行が長すぎます"),
        QStringLiteral("Content-Length の値が正しくありません"),
        QStringLiteral("Location が異なる値で繰り返されています"),
        QStringLiteral("chunked の後に別の転送コーディングがあります"),
        QStringLiteral("ステータス行の直後の行が空白で始まっています"),
    };
    return kUnreadableReply + QStringLiteral(" (") + details[std::size_t(fault)] + u')';
}

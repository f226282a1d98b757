#include "core/download/download_text.h"

#include "core/download/file_naming.h"
#include "core/headers/value_format.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

namespace download {

namespace {

// Line break inside the message box texts.
const QString kLineBreak = QStringLiteral("\r\n");
const QString kSpeedPrefix = QStringLiteral("平均転送速度: ");

// "#,##0" of a non-negative value: rounded half away from zero, with comma grouping.
QString GroupedWhole(double value)
{
    // 2^63 and above no longer fit a 64-bit count; such speeds only come
    // from an absurd declared length and are shown as the largest count.
    constexpr double kLimit = 9223372036854775808.0;
    const qint64 whole
        = value >= kLimit ? std::numeric_limits<qint64>::max() : std::llround(std::max(value, 0.0));
    return headers::groupThousands(whole);
}

// 100 × received ÷ declared, for a positive declared.
int Percentage(qint64 received, qint64 declared)
{
    // nearbyint rounds in the default mode: to nearest, halves to even.
    const double percent = std::nearbyint(100.0 * double(received) / double(declared));
    return int(std::clamp(percent, 0.0, double(std::numeric_limits<int>::max())));
}

// Where the received bytes went.
QString SavedAtText(const QString &where)
{
    return QStringLiteral("受信したデータは %1 に保存しました。").arg(where);
}

} // namespace

QString ProgressText(qint64 received, qint64 declared)
{
    const QString size
        = headers::cnvCalc(received) + QStringLiteral(" (") + headers::groupThousands(received);
    if (declared <= 0)
        return size + u')';
    return QString::number(Percentage(received, declared)) + QStringLiteral(" %  ") + size
        + QStringLiteral(" / ") + headers::groupThousands(declared) + u')';
}

QString SpeedText(qint64 declared, double elapsedSeconds)
{
    if (elapsedSeconds <= 0)
        return kSpeedPrefix + QStringLiteral("N/A");
    const float speed = float(double(declared) / elapsedSeconds);
    return kSpeedPrefix + GroupedWhole(speed) + QStringLiteral(" バイト/毎秒");
}

QString CompletionText(const QString &transferInfo)
{
    return QStringLiteral("データ取得を完了しました。") + kLineBreak + transferInfo;
}

QString InterruptedText(const QString &path)
{
    return kInterrupted + kLineBreak + SavedAtText(path);
}

QString LeftoverText(const QStringList &paths)
{
    return QStringLiteral("前回はデータ取得の途中で終了しました。") + kLineBreak
        + SavedAtText(paths.join(QStringLiteral("、")));
}

QString SaveFailureText(const QString &path, const QString &reason)
{
    return QStringLiteral("データを保存できませんでした。") + kLineBreak + path + kLineBreak + reason;
}

QString SaveFolderProblemText(const QString &folder, const QString &reason)
{
    return QStringLiteral("ダウンロード用のフォルダを用意できませんでした。") + kLineBreak + folder
        + kLineBreak + reason;
}

QString NoFreeNameReason()
{
    return QStringLiteral("番号を付けた名前 [0] から [%1] までがすべて使われています。")
        .arg(naming::kLastCounter);
}

QString FileErrorText(int error)
{
    QString reason;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        reason = QStringLiteral("ディスクの空き容量が足りません。");
        break;
    case EACCES:
    case EPERM:
        reason = QStringLiteral("書き込む権限がありません。");
        break;
    case EROFS:
        reason = QStringLiteral("読み取り専用のファイルシステムです。");
        break;
    case ENOENT:
    case ENOTDIR:
        reason = QStringLiteral("フォルダが見つかりません。");
        break;
    case EEXIST:
        reason = QStringLiteral("同じ名前のファイルが既にあります。");
        break;
    case EISDIR:
        reason = QStringLiteral("同じ名前のフォルダがあります。");
        break;
    case ENAMETOOLONG:
        reason = QStringLiteral("名前が長すぎます。");
        break;
    default:
        reason = QStringLiteral("ファイルを書き込めませんでした。");
        break;
    }
    return reason + QStringLiteral(" (") + qt_error_string(error) + u')';
}

} // namespace download

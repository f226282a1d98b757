#include "core/transfer/state_report.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace engine {

QString StateMessage(int state)
{
    static const std::array<QString, kLastState + 1> messages = {
        QStringLiteral("状態についての報告はありません。"),
        QStringLiteral("指定されたホストコンピュータのIPアドレスを調べています。"),
        QStringLiteral("指定されたホストコンピュータのIPアドレスを見つけました。"),
        QStringLiteral("ホストコンピュータとの接続処理を行っています。"),
        QStringLiteral("ホストコンピュータと正常に接続しました。"),
        QStringLiteral("ホストコンピュータに要求を送信しています。"),
        QStringLiteral("要求を正常に送信しました。"),
        QStringLiteral("ホストコンピュータからの応答を受信しています。"),
        QStringLiteral("ホストコンピュータからの応答を正常に受信しました。"),
        QStringLiteral("ホストコンピュータとの接続を解除しています。"),
        QStringLiteral("ホストコンピュータとの接続を正常に解除しました。"),
        QStringLiteral("ホストコンピュータとの通信中にエラーが発生しました。"),
        QStringLiteral("要求処理が完了し、すべてのデータが受信されました。"),
    };
    if (state < 0 || state > kLastState)
        return QString();
    return messages[state];
}

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

int StatusCode(const QString &headerBlock)
{
    // "HTTP/1.1 404 Not Found": the code sits at characters 10 to 12.
    const QStringView fixed = QStringView(headerBlock).mid(9, 3);
    if (fixed.size() == 3 && std::all_of(fixed.begin(), fixed.end(), isAsciiDigit))
        return fixed.toInt();

    // Another shape ("HTTP/2 200", "ICY 200 OK"): the first three-digit
    // number after the first space of the status line.
    const QStringView statusLine = QStringView(headerBlock).left(headerBlock.indexOf(QLatin1Char('\n')));
    const qsizetype space = statusLine.indexOf(QLatin1Char(' '));
    if (space < 0)
        return 0;
    static const QRegularExpression threeDigits(QStringLiteral("(?<![0-9])[0-9]{3}(?![0-9])"));
    const QRegularExpressionMatch match = threeDigits.match(statusLine.mid(space + 1).toString());
    return match.hasMatch() ? match.captured().toInt() : 0;
}

} // namespace engine

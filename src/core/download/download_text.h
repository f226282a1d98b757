#pragma once

#include <QString>
#include <QStringList>

namespace download {

// Warning box text after the user released the connection mid-download.
inline const QString kInterrupted = QStringLiteral("接続が中断されました。");

// The same when the partial body was saved at path: kInterrupted, a line
// break and where the bytes are.
QString InterruptedText(const QString &path);

// Reason given when the entry "download" is there but is no folder.
inline const QString kNotAFolder = QStringLiteral("同じ名前のファイルがあり、フォルダとして使えません。");
// Reason given when "download" is a symbolic link to nothing.
inline const QString kBrokenLink = QStringLiteral("同じ名前のリンクがあり、そのリンク先がありません。");

// The progress line shown after every chunk, e.g.
// "50 %  1.25 MB (1,310,720 / 2,621,440)", the percentage rounded to the
// nearest whole number with halves going to the even neighbour; without a
// declared length (declared not positive) neither a percentage nor a total:
// "1.25 MB (1,310,720)".
QString ProgressText(qint64 received, qint64 declared);

// "平均転送速度: 1,234,567 バイト/毎秒": declared ÷ elapsedSeconds, kept in
// single precision and shown rounded with comma grouping; "平均転送速度: N/A"
// when no time elapsed.
QString SpeedText(qint64 declared, double elapsedSeconds);

// Information box text at the end of a download: "データ取得を完了しました。",
// a line break and the speed line (empty after an interruption).
QString CompletionText(const QString &transferInfo);

// Warning box text at start when bodies that a download cut short by the end
// of the program left behind were kept under paths.
QString LeftoverText(const QStringList &paths);

// Warning box text when the received data could not be stored at path.
QString SaveFailureText(const QString &path, const QString &reason);

// Warning box text when the download folder cannot be used.
QString SaveFolderProblemText(const QString &folder, const QString &reason);

// Reason given when every "name[n].ext" variant of a name is taken.
QString NoFreeNameReason();

// A short Japanese reason for a failed file operation, followed by the
// system's own text for error (an errno value) in parentheses.
QString FileErrorText(int error);

} // namespace download

#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>

#include <optional>

// What a response's headers mean for browsers and caches: findings with
// their reasons and the RFC section behind each, and a security score.
namespace diagnosis {

enum class Level { Good, Info, Warn, Bad };

// "good", "info", "warn", "bad": the level as scripts read it.
QStringView LevelId(Level level);
// "良", "情報", "注意", "問題": the level as people read it.
QStringView LevelText(Level level);

// One response as the diagnosis needs it.
struct Response {
    QString url; // the address that was asked for
    int status = 0;
    QString httpVersion; // "HTTP/1.1", "HTTP/2" ...
    bool tls = false;
    // The header fields in the order received, names as the server wrote them.
    QList<QPair<QString, QString>> fields;
    QDateTime requestSent; // when the request left (UTC)
    QDateTime responseReceived; // when the answer arrived (UTC)
};

struct Finding {
    QString id; // stable: "freshness", "hsts-missing" ...
    Level level = Level::Info;
    QString category; // "キャッシュ", "検証子と時刻", "リダイレクト", "セキュリティ", "クッキー", "転送"
    QString message; // one Japanese sentence naming the header and its value
    QString reference; // "RFC 9111 §4.2.1"
    QString header; // the header concerned, lower case; empty when none
    // freshness: the lifetime, the current age and the time left (negative
    // when stale), in seconds; heuristic-freshness: the likely lifetime.
    std::optional<qint64> lifetime, age, remaining;
};

struct Security {
    int score = 0;
    QString grade; // "A+" ... "F"
};

struct Diagnosis {
    QList<Finding> findings; // worst first; in each level, in the order checked
    Security security;
};

Diagnosis Diagnose(const Response &response);

// The fields of a header block as the transfer control reports it (lines
// joined by CR LF, the status line first): the status line's version and
// code, and each field line split at its first ":", the value trimmed.
Response ReadBlock(const QString &block);

} // namespace diagnosis

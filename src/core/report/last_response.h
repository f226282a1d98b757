#pragma once

#include "core/diagnosis/diagnosis.h"
#include "core/transfer/connection_facts.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

// The last completed response and what the diagnosis views show of it.
namespace report {

struct LastResponse {
    QString url; // the address that was asked for
    QString block; // the header block as the transfer control reports it
    ConnectionFacts facts;
};

// What the diagnosis reads: the block's status, version and fields, whether
// it came over TLS, and when the request left and the answer arrived (the
// start of the request and its first byte, by the system clock).
diagnosis::Response DiagnosisInput(const LastResponse &response);

// The block as the header box shows it.
QString AnnotatedBlock(const QString &block);

// The timing lines, then after an empty line the certificate's lines (over
// https, when it was kept), at now.
QString ConnectionText(const ConnectionFacts &facts, const QDateTime &now);

// "B (75 点)".
QString SecurityText(const diagnosis::Security &security);

// The findings by category, in their order within each: the categories
// キャッシュ, 検証子と時刻, リダイレクト, セキュリティ, クッキー and 転送 in this
// order, any other after them as first met; none without a finding.
QList<QPair<QString, QList<diagnosis::Finding>>> FindingsByCategory(
    const QList<diagnosis::Finding> &findings);

} // namespace report

#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

#include <curl/curl.h>

// What libcurl measured and saw of one request, read once it has ended.
struct ConnectionFacts {
    QString address; // the IP address that answered
    long port = 0;
    bool tls = false;
    QDateTime started; // when the request was started, in UTC (by the system clock)
    // Microseconds from the start of the request until each step was done.
    qint64 nameLookup = 0;
    qint64 connect = 0;
    qint64 tlsHandshake = 0;
    qint64 firstByte = 0;
    qint64 total = 0;
    // The server certificate's fields as libcurl lists them ("Subject",
    // "Issuer", "Start date", "Expire date", "Cert" ...); empty unless the
    // request asked for them and the server sent one.
    QList<QPair<QString, QString>> certificate;
};

ConnectionFacts ReadConnectionFacts(CURL *easy);

// The certificate field called name ("Subject", "Expire date" ...) without
// surrounding blanks; empty when there is none.
QString CertificateField(const ConnectionFacts &facts, const char *name);
// The SHA-256 fingerprint of the certificate's DER form, upper-case hex
// bytes joined by ":".
QString CertificateFingerprint(const ConnectionFacts &facts);

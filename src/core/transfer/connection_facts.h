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

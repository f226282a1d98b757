#pragma once

#include "core/transfer/connection_facts.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What the bulk check learned of one address of its list.
namespace bulk {

// One answer: the first request's, then one per redirect followed.
struct Hop {
    QString url; // the address asked
    int status = 0;
    QString httpVersion; // "HTTP/1.1", "HTTP/2" ...
    QByteArray block; // the header block as received, lines joined by CR LF
    ConnectionFacts facts;
};

struct Result {
    enum class Outcome {
        Answered, // the last request was answered (whatever its status)
        Refused, // the address was refused before anything was sent
        Failed, // a request failed
        NotFollowed, // a redirect was not followed (https to http, too many)
    };

    qint64 index = 0; // the address's place in the list, from 0
    QString address; // as listed
    QString url; // as completed; empty when refused
    QList<Hop> hops;
    Outcome outcome = Outcome::Answered;
    // Where the address ended: the last address asked after redirects, or
    // the Location of an answer that was not followed; empty when neither.
    QString endsAt;
    QString failure; // why it was refused or failed, in Japanese; empty when answered
    QString answeringAddress; // the IP address of the last request's server
    qint64 totalMicroseconds = 0; // of every request made for it

    bool answered() const { return outcome == Outcome::Answered; }
};

} // namespace bulk

#pragma once

#include "core/transfer/connection_facts.h"

#include <QDateTime>
#include <QString>

// The certificate lines (--cert, the diagnosis dialog): the server certificate's
// subject and issuer, the start and end of its validity as Japanese date and
// time (as the certificate gives them, in UTC) with the days left at now,
// and the SHA-256 fingerprint of its DER form. Empty when there is no
// certificate. Each line ends in LF.
QString CertificateText(const ConnectionFacts &facts, const QDateTime &now);

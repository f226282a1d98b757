#pragma once

#include "core/transfer/transfer_state.h"

#include <QString>

namespace engine {

// States of the transfer control, as raised by Transfer::StateChanged.
constexpr int kLastState = int(TransferState::ResponseComplete);

// The Japanese message shown in the state line for a state; empty outside 0..12.
QString StateMessage(int state);

// The HTTP status code of a header block: the three characters at positions
// 10 to 12 of the status line. When those are not a number, the first
// three-digit number after the first space; 0 when there is none.
int StatusCode(const QString &headerBlock);

} // namespace engine

#pragma once

// The states of a transfer, in the order they come. Transfer::StateChanged
// carries their numbers, which the window's state line knows them by.
enum class TransferState : int {
    Resolving = 1,
    Resolved,
    Connecting,
    Connected,
    Sending,
    Sent,
    Receiving,
    HeaderComplete,
    Closing,
    Closed,
    Failure,
    ResponseComplete,
};

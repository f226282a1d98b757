#pragma once

// Exit statuses of the program, in a terminal and from the window alike.
namespace exitstatus {
constexpr int kAnswered = 0; // done; with --head, a response arrived (whatever its status)
constexpr int kFailed = 1; // the request failed, the output could not be written, or no window could open
constexpr int kBadUsage = 2; // the command line or the address was refused
} // namespace exitstatus

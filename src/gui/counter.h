#pragma once

#include <QtGlobal>

#include <limits>

namespace engine {

// The usage counters are 32-bit; one that has reached the top stays there.
inline void countUp(qint32 &counter)
{
    if (counter < std::numeric_limits<qint32>::max())
        ++counter;
}

} // namespace engine

#include "modbus/LineTiming.h"

#include <algorithm>

namespace {

int lineDivisor = 1;

} // namespace

int LineTiming::scaled(int milliseconds)
{
    if (milliseconds <= 0)
        return milliseconds;
    return std::max(1, milliseconds / lineDivisor);
}

int LineTiming::divisor()
{
    return lineDivisor;
}

void LineTiming::setDivisor(int divisor)
{
    lineDivisor = std::max(1, divisor);
}

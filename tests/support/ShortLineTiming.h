#ifndef TALVIK_TESTS_SUPPORT_SHORTLINETIMING_H
#define TALVIK_TESTS_SUPPORT_SHORTLINETIMING_H

#include "modbus/LineTiming.h"

// The program's waits on the line and the relays' answer delays, test and
// demo alike, divided by this (LineTiming) where whole readings run against a
// relay: a lost answer costs a quarter of the relay's 1 s timeout and 1 s
// late-answer window, and an answer 1.5 s late still comes after the timeout
// and inside the window. The frame-end silence is a property of the line and
// stays as it is.
constexpr int lineTimeDivisor = 4;

inline void shortenLineTiming()
{
    LineTiming::setDivisor(lineTimeDivisor);
}

#endif

#ifndef TALVIK_RELAY_LINELIMITS_H
#define TALVIK_RELAY_LINELIMITS_H

// The limits of the line to the relay, one set for the connection dialog, the
// settings store, the device search and the command line.
namespace LineLimits {

// The speeds the relay's serial port runs at.
constexpr int baudRates[] = {9600, 19200, 38400};
constexpr bool isBaudRate(int rate)
{
    for (const int offered : baudRates) {
        if (offered == rate)
            return true;
    }
    return false;
}

// Modbus slave addresses; 0 is broadcast and gets no answer.
constexpr int minAddress = 1;
constexpr int maxAddress = 247;

// The silence that ends an answer, in milliseconds.
constexpr int minCharInterval = 40;
constexpr int maxCharInterval = 200;

// The window's poll period, in seconds.
constexpr int minPollPeriodS = 1;
constexpr int maxPollPeriodS = 100;

constexpr int minTcpPort = 1;
constexpr int maxTcpPort = 65535;

} // namespace LineLimits

#endif

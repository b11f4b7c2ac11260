#ifndef TALVIK_MODBUS_LINETIMING_H
#define TALVIK_MODBUS_LINETIMING_H

// The master's waits on the line — the answer timeout, the pause after a
// garbled frame, the late-answer window and the watchdogs built on them —
// are written as the relay's own figures (it answers within 1000 ms) and
// passed through scaled() where a timer is started. The program runs them
// as written. Tests that drive the whole program against a simulated relay
// divide them, and the simulated relay's delays, by one factor: the same
// faults in the same order, a fraction of the wall time.
class LineTiming
{
public:
    static int scaled(int milliseconds);
    static int divisor();
    // 1 (the default) runs the waits as written.
    static void setDivisor(int divisor);
};

#endif // TALVIK_MODBUS_LINETIMING_H

#ifndef TALVIK_ANALYSIS_PHASOR_H
#define TALVIK_ANALYSIS_PHASOR_H

#include <complex>

// A sinusoid as the engineer reads it: RMS magnitude and angle in degrees,
// the angle in (−180, 180]. Both NaN when the value is unknown.
struct Phasor
{
    double magnitude;
    double angle;

    bool known() const;
    std::complex<double> complex() const;

    static Phasor unknown();
    static Phasor of(std::complex<double> value);
    // Degrees brought into (−180, 180].
    static double normalizedAngle(double degrees);
};

#endif

#include "analysis/Phasor.h"

#include <cmath>
#include <limits>

bool Phasor::known() const
{
    return !std::isnan(magnitude);
}

std::complex<double> Phasor::complex() const
{
    return std::polar(magnitude, angle * M_PI / 180.0);
}

Phasor Phasor::unknown()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan};
}

Phasor Phasor::of(std::complex<double> value)
{
    if (std::isnan(value.real()) || std::isnan(value.imag()))
        return unknown();
    return {std::abs(value), normalizedAngle(std::arg(value) * 180.0 / M_PI)};
}

double Phasor::normalizedAngle(double degrees)
{
    if (std::isnan(degrees))
        return degrees;
    double angle = std::remainder(degrees, 360.0);
    if (angle <= -180.0)
        angle += 360.0;
    // -0 reads as "-0" in a table; the angle of a phasor on the axis is 0.
    return angle == 0.0 ? 0.0 : angle;
}

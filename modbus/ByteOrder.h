#ifndef TALVIK_MODBUS_BYTEORDER_H
#define TALVIK_MODBUS_BYTEORDER_H

#include <QByteArray>
#include <QtEndian>

// Appends a 16-bit value in the byte order Modbus puts on the wire:
// big-endian, high byte first. (Reading and writing in place go through
// <QtEndian> directly; QByteArray has no appending counterpart.)
inline void appendBigEndian16(QByteArray& bytes, quint16 value)
{
    char wire[sizeof value];
    qToBigEndian(value, wire);
    bytes.append(wire, sizeof wire);
}

#endif

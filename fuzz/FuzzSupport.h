#ifndef TALVIK_FUZZ_FUZZSUPPORT_H
#define TALVIK_FUZZ_FUZZSUPPORT_H

#include <QByteArray>
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

// Timers of the readers, the link and the client need an application object,
// although no event loop ever runs here: nothing in a fuzz input waits.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "talvik-fuzz";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

// Reads the fuzz input front to back; past its end every read gives zeros.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool atEnd() const { return position >= size; }
    size_t remaining() const { return atEnd() ? 0 : size - position; }

    uint8_t u8() { return position < size ? data[position++] : 0; }
    uint16_t u16()
    {
        const uint8_t low = u8();
        return static_cast<uint16_t>(low | u8() << 8);
    }
    // The next `count` bytes, zero-padded past the end of the input.
    QByteArray bytes(int count)
    {
        QByteArray result(count, '\0');
        for (int i = 0; i < count && position < size; ++i)
            result[i] = static_cast<char>(data[position++]);
        return result;
    }
    QByteArray rest()
    {
        const QByteArray result = QByteArray(reinterpret_cast<const char*>(data) + position,
                                             static_cast<int>(remaining()));
        position = size;
        return result;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

// Reads every byte handed over, so that the address sanitizer sees a pointer
// that does not cover the length it came with.
inline void touch(const void* data, size_t size)
{
    static volatile uint8_t sink = 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i)
        sink = static_cast<uint8_t>(sink + bytes[i]);
}

#endif

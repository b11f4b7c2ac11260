// A settings file: arbitrary bytes parsed as JSON and applied to a register
// image that checks what is written.
//
// Input: the 16-bit password (little-endian), then the file's bytes.
#include "FuzzSupport.h"

#include "relay/ConfigFile.h"
#include "relay/IModBusDev.h"

#include <QJsonDocument>

namespace {

// Every value must be preceded by the password written into the password
// register, one register per write.
class CheckingImage : public IModBusDev
{
public:
    explicit CheckingImage(uint16_t password) : password(password) {}

    uint16_t getRegister(uint16_t n) const override { return static_cast<uint16_t>(n * 7); }
    void writeRegisters(uint16_t start, uint16_t count, const uint16_t* values) override
    {
        if (count != 1 || values == nullptr)
            __builtin_trap();
        if (writes % 2 == 0 && (start != ConfigFile::passwordRegister || values[0] != password))
            __builtin_trap();
        ++writes;
    }
    void writeCoil(uint16_t, bool) override { __builtin_trap(); }
    uint8_t getCoil(uint16_t) const override { return 0; }
    uint64_t lastTicket() const override { return static_cast<uint64_t>(writes); }
    uint64_t readTicket(uint16_t) const override { return 0; }

    long writes = 0;

private:
    uint16_t password;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    FuzzInput input(data, size);
    const uint16_t password = input.u16();
    const QJsonDocument doc = QJsonDocument::fromJson(input.rest());

    CheckingImage image(password);
    ConfigFile file(&image);
    file.apply(doc, password);
    if (image.writes % 2 != 0)
        __builtin_trap();
    if (!ConfigFile::hasRanges(doc) && image.writes != 0)
        __builtin_trap();

    // Saving and applying the saved document writes the image back exactly.
    if (data != nullptr && size > 0 && (data[0] & 0x80)) {
        CheckingImage copy(password);
        ConfigFile(&copy).apply(file.document(), password);
        if (copy.writes != 2 * 64)
            __builtin_trap();
    }
    return 0;
}

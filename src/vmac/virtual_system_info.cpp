#include "vmac/virtual_system_info.h"

#include <array>
#include <cstdint>

namespace talvora::vmac {

std::string VirtualSystemInfo::makeUUID()
{
    std::array<std::uint8_t, 16> bytes {};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        std::uint64_t r = m_random();
        for (std::size_t j = 0; j < 8; ++j)
            bytes[i + j] = static_cast<std::uint8_t>(r >> (8 * j));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant

    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace talvora::vmac

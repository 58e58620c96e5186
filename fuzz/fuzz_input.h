#pragma once

// Reads typed values off the fuzzer's bytes; past the end every read gives zero.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace talvora::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    bool empty() const { return m_at >= m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    template<typename T>
    T raw()
    {
        T value {};
        unsigned char bytes[sizeof(T)] = {};
        for (auto& b : bytes)
            b = byte();
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    std::string text(std::size_t longest)
    {
        std::string s;
        for (std::size_t n = byte() % (longest + 1); n > 0 && !empty(); --n)
            s += static_cast<char>(byte());
        return s;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

} // namespace talvora::fuzz

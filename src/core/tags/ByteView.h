// SPDX-License-Identifier: GPL-3.0-or-later
// A read-only view of untrusted bytes whose reads never go past the end.
// Bounds are checked by subtraction (`size - offset >= n`), never by adding to an offset, so hostile
// sizes cannot overflow the check.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <cstring>
#include <optional>

namespace quirella {

class ByteView {
public:
    constexpr ByteView() = default;
    ByteView(const QByteArray& bytes)
        : m_data(reinterpret_cast<const std::uint8_t*>(bytes.constData()))
        , m_size(static_cast<std::uint64_t>(bytes.size())) {}
    ByteView(QByteArrayView bytes)
        : m_data(reinterpret_cast<const std::uint8_t*>(bytes.data()))
        , m_size(static_cast<std::uint64_t>(bytes.size())) {}
    constexpr ByteView(const std::uint8_t* data, std::uint64_t size)
        : m_data(data)
        , m_size(size) {}

    constexpr std::uint64_t size() const { return m_size; }
    constexpr bool empty() const { return m_size == 0; }
    constexpr const std::uint8_t* data() const { return m_data; }

    // Whether `count` bytes starting at `offset` lie inside the view.
    constexpr bool has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= m_size && m_size - offset >= count;
    }

    std::optional<std::uint8_t> u8(std::uint64_t offset) const {
        if (!has(offset, 1)) {
            return std::nullopt;
        }
        return m_data[offset];
    }
    std::optional<std::uint32_t> u32BE(std::uint64_t offset) const {
        std::uint8_t b[4];
        if (!copy(offset, b, 4)) {
            return std::nullopt;
        }
        return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
    }
    std::optional<std::uint32_t> u32LE(std::uint64_t offset) const {
        std::uint8_t b[4];
        if (!copy(offset, b, 4)) {
            return std::nullopt;
        }
        return std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
    }
    std::optional<std::uint16_t> u16BE(std::uint64_t offset) const {
        std::uint8_t b[2];
        if (!copy(offset, b, 2)) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    }

    // The sub-view [offset, offset + count), or nothing when it does not fit.
    std::optional<ByteView> slice(std::uint64_t offset, std::uint64_t count) const {
        if (!has(offset, count)) {
            return std::nullopt;
        }
        return ByteView(m_data + offset, count);
    }
    // Everything from `offset` to the end (empty when offset is past the end).
    ByteView from(std::uint64_t offset) const {
        if (offset >= m_size) {
            return {};
        }
        return ByteView(m_data + offset, m_size - offset);
    }
    // Whether the bytes at `offset` equal `literal` (without its terminating zero).
    template <std::size_t N>
    bool matches(std::uint64_t offset, const char (&literal)[N]) const {
        return has(offset, N - 1) && std::memcmp(m_data + offset, literal, N - 1) == 0;
    }
    // Position of the first `byte` at or after `offset`, or nothing.
    std::optional<std::uint64_t> find(std::uint8_t byte, std::uint64_t offset = 0) const {
        if (offset >= m_size) {
            return std::nullopt;
        }
        const void* hit = std::memchr(m_data + offset, byte, m_size - offset);
        if (!hit) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - m_data);
    }

    QByteArray toByteArray() const {
        return QByteArray(reinterpret_cast<const char*>(m_data), static_cast<qsizetype>(m_size));
    }
    QByteArrayView toView() const {
        return QByteArrayView(reinterpret_cast<const char*>(m_data), static_cast<qsizetype>(m_size));
    }

private:
    bool copy(std::uint64_t offset, std::uint8_t* out, std::uint64_t count) const {
        if (!has(offset, count)) {
            return false;
        }
        std::memcpy(out, m_data + offset, count);
        return true;
    }

    const std::uint8_t* m_data = nullptr;
    std::uint64_t m_size = 0;
};

// Appending integers to a byte buffer being built.
inline void appendU32BE(QByteArray& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.append(bytes, 4);
}
inline void appendU32LE(QByteArray& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                           static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    out.append(bytes, 4);
}
inline void storeU32BE(QByteArray& out, qsizetype offset, std::uint32_t value) {
    out[offset] = static_cast<char>(value >> 24);
    out[offset + 1] = static_cast<char>(value >> 16);
    out[offset + 2] = static_cast<char>(value >> 8);
    out[offset + 3] = static_cast<char>(value);
}
inline void storeU32LE(QByteArray& out, qsizetype offset, std::uint32_t value) {
    out[offset] = static_cast<char>(value);
    out[offset + 1] = static_cast<char>(value >> 8);
    out[offset + 2] = static_cast<char>(value >> 16);
    out[offset + 3] = static_cast<char>(value >> 24);
}

} // namespace quirella

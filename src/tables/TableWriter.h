#pragma once

#include "base/ByteStream.h"
#include "text/Utf.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

/** Collects a table's text and hands it to the stream in large writes. */
class TableWriter
{
public:
    explicit TableWriter(OutputStream& out) : m_out(out) { m_buffer.reserve(BlockBytes + 4096); }
    ~TableWriter() = default;
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    TableWriter& operator<<(std::string_view bytes)
    {
        m_buffer += bytes;
        return *this;
    }
    TableWriter& operator<<(char byte)
    {
        m_buffer += byte;
        return *this;
    }
    /** UTF-8 of one code point. */
    void PutCodePoint(char32_t c) { AppendUtf8(m_buffer, c); }
    /** Hands what is collected on once it is a block. */
    void Step()
    {
        if (m_buffer.size() >= BlockBytes)
            Flush();
    }
    /** Hands on everything collected; errors of the stream pass through. */
    void Flush();

    static constexpr std::size_t BlockBytes = std::size_t(1) << 20;

private:
    OutputStream& m_out;
    std::string m_buffer;
};

} // namespace vt

#include "base/ByteStream.h"

#include "text/Error.h"

#include <algorithm>
#include <cstring>

namespace vt {

void MemoryOutputStream::Write(const std::uint8_t* data, std::size_t n)
{
    if (n != 0)
        m_bytes.insert(m_bytes.end(), data, data + n);
}

std::size_t MemoryInputStream::Read(std::uint8_t* data, std::size_t n)
{
    const std::size_t count = std::min(n, m_size - m_pos);
    if (count != 0)
        std::memcpy(data, m_data + m_pos, count);
    m_pos += count;
    return count;
}

const std::uint8_t* MemoryInputStream::Borrow(std::size_t n)
{
    if (m_size - m_pos < n)
        return nullptr;
    const std::uint8_t* at = m_data + m_pos;
    m_pos += n;
    return at;
}

bool BlockInputStream::Fill(std::size_t n)
{
    if (m_end - m_pos >= n)
        return true;
    if (m_ended)
        return false;
    // What is left moves to the front; the buffer holds a block beyond it.
    if (m_pos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_pos, m_end - m_pos);
        m_end -= m_pos;
        m_pos = 0;
    }
    if (m_buffer.size() < std::max(m_block, n))
        m_buffer.resize(std::max(m_block, n));
    const std::size_t wanted = m_buffer.size() - m_end;
    const std::size_t got = m_source.Read(m_buffer.data() + m_end, wanted);
    m_end += got;
    // The stream below delivers less only at the end of its data or on an error.
    if (got < wanted) {
        m_ended = true;
        m_failed = m_source.Failed();
    }
    return m_end - m_pos >= n;
}

std::size_t BlockInputStream::Read(std::uint8_t* data, std::size_t n)
{
    const bool whole = Fill(n);
    const std::size_t count = whole ? n : m_end - m_pos;
    if (count != 0)
        std::memcpy(data, m_buffer.data() + m_pos, count);
    m_pos += count;
    // A read error inside the request consumes what arrived and delivers nothing.
    return whole || !m_failed ? count : 0;
}

const std::uint8_t* BlockInputStream::Borrow(std::size_t n)
{
    if (!Fill(n))
        return nullptr;
    const std::uint8_t* at = m_buffer.data() + m_pos;
    m_pos += n;
    return at;
}
BufferedOutputStream::BufferedOutputStream(OutputStream& out, std::size_t capacity)
    : m_out(out), m_capacity(capacity)
{
    m_buffer.reserve(capacity);
}

void BufferedOutputStream::Write(const std::uint8_t* data, std::size_t n)
{
    m_total += n;
    if (m_buffer.size() + n > m_capacity)
        Flush();
    // A large write goes straight on: copying it would gain nothing.
    if (n >= m_capacity / 4) {
        Flush();
        m_out.Write(data, n);
    } else {
        m_buffer.insert(m_buffer.end(), data, data + n);
    }
}

void BufferedOutputStream::Flush()
{
    if (!m_buffer.empty())
        m_out.Write(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

} // namespace vt

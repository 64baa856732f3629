#include "ByteStream.h"

#include "Error.h"

#include <algorithm>
#include <cstring>

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
    if (n >= m_capacity)
        m_out.Write(data, n);
    else
        m_buffer.insert(m_buffer.end(), data, data + n);
}

void BufferedOutputStream::Flush()
{
    if (!m_buffer.empty())
        m_out.Write(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

#pragma once

// Streams and helpers shared by the base file tests.

#include "base/BaseFormat.h"
#include "base/ByteStream.h"
#include "base/QuestionBase.h"
#include "text/Error.h"
#include "text/IntText.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace vt;

using Bytes = std::vector<std::uint8_t>;

/** Accepts the first `limit` bytes, then fails every write. */
class FailingOutputStream : public OutputStream
{
public:
    explicit FailingOutputStream(std::size_t limit) : m_limit(limit) {}
    void Write(const std::uint8_t* data, std::size_t n) override
    {
        if (m_bytes.size() + n > m_limit)
            throw Error(u"Write failed");
        m_bytes.insert(m_bytes.end(), data, data + n);
    }
    const Bytes& Written() const { return m_bytes; }

private:
    std::size_t m_limit;
    Bytes m_bytes;
};

/** Delivers the bytes it holds up to `limit`; a request that reaches past the
 *  limit meets a read error and delivers nothing. Records every request. */
class FailingInputStream : public InputStream
{
public:
    FailingInputStream(Bytes bytes, std::size_t limit) : m_bytes(std::move(bytes)), m_limit(limit) {}
    std::size_t Read(std::uint8_t* data, std::size_t n) override
    {
        requests.push_back(n);
        const std::size_t available = m_bytes.size() - m_pos;
        const std::size_t count = std::min(n, available);
        if (m_pos + count > m_limit)
            return 0;
        std::memcpy(data, m_bytes.data() + m_pos, count);
        m_pos += count;
        return count;
    }
    std::size_t Position() const { return m_pos; }
    std::vector<std::size_t> requests;

private:
    Bytes m_bytes;
    std::size_t m_limit;
    std::size_t m_pos = 0;
};

inline Bytes WriteToBytes(const QuestionBase& base)
{
    MemoryOutputStream out;
    WriteBase(base, out);
    return out.Bytes();
}

/** Reads the bytes into `base`; returns the error's message, or "" on success. */
inline std::u16string ReadInto(const Bytes& bytes, QuestionBase& base)
{
    MemoryInputStream in(bytes);
    try {
        ReadBase(in, base);
    } catch (const Error& e) {
        return e.Message();
    }
    return {};
}

/** Code units as UTF-16LE bytes. */
inline Bytes LittleEndian(std::u16string_view units)
{
    Bytes bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

/** The text with bars appended up to `width` code units (an independent
 *  statement of the format, to check the writer against). */
inline std::u16string PadField(std::u16string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), u'|');
    return text;
}

/** XORs the code unit at position p (from 1) with p mod 7, all but the last. */
inline std::u16string ScrambleRecord(std::u16string text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        text[i] = static_cast<char16_t>(text[i] ^ ((i + 1) % 7));
    return text;
}

inline Bytes BytesOf(const RecordBytes& record)
{
    return Bytes(record.begin(), record.end());
}

inline void Append(Bytes& to, const Bytes& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

inline QuestionBase BaseOf(std::initializer_list<QuestionRecord> records)
{
    QuestionBase base;
    for (const auto& r : records)
        base.AppendRecord(r);
    return base;
}

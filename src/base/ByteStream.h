#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace vt {

/** Where a base file's bytes go. */
class OutputStream
{
public:
    virtual ~OutputStream() = default;
    /** Writes all n bytes or throws (the stream decides which error). */
    virtual void Write(const std::uint8_t* data, std::size_t n) = 0;
    /** True for a stream that only measures what would be written: nothing
     *  the user sees should follow from writing to it. */
    virtual bool Measures() const noexcept { return false; }
};

/** Where a base file's bytes come from. */
class InputStream
{
public:
    virtual ~InputStream() = default;
    /** Reads up to n bytes into data and returns how many were read: fewer at
     *  the end of the data, which is not by itself a failure; 0 on a read error. */
    virtual std::size_t Read(std::uint8_t* data, std::size_t n) = 0;
    /** The next n bytes where the stream already holds them in memory, now
     *  consumed; valid until the next call. nullptr when the stream does not
     *  hold that many (nothing is consumed then; Read tells what arrives). */
    virtual const std::uint8_t* Borrow(std::size_t /*n*/) { return nullptr; }
    /** Whether a read has failed (as opposed to the data having ended). */
    virtual bool Failed() const { return false; }
};

/** An output stream that collects the bytes in memory. */
class MemoryOutputStream : public OutputStream
{
public:
    void Write(const std::uint8_t* data, std::size_t n) override;
    const std::vector<std::uint8_t>& Bytes() const noexcept { return m_bytes; }
    std::vector<std::uint8_t>& Bytes() noexcept { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

/** An input stream over bytes in memory (not copied: they must outlive it). */
class MemoryInputStream : public InputStream
{
public:
    MemoryInputStream(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    explicit MemoryInputStream(const std::vector<std::uint8_t>& bytes)
        : MemoryInputStream(bytes.data(), bytes.size())
    {
    }
    std::size_t Read(std::uint8_t* data, std::size_t n) override;
    const std::uint8_t* Borrow(std::size_t n) override;

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

/** An open file of the system: a file descriptor on POSIX systems, a HANDLE
 *  on Windows. */
#ifdef _WIN32
using NativeFile = void*;
inline constexpr NativeFile NoNativeFile = nullptr;
#else
using NativeFile = int;
inline constexpr NativeFile NoNativeFile = -1;
#endif

/** Streams over an open file, which they do not own or close. */
class FileInputStream : public InputStream
{
public:
    explicit FileInputStream(NativeFile file) : m_file(file) {}
    /** Reads until n bytes have arrived or the file ends (interrupted calls
     *  are repeated) and returns the count. A read error makes the whole
     *  request deliver nothing: it returns 0 even when part of the request had
     *  arrived before the error; those bytes are consumed from the file and the
     *  contents of data are then unspecified. */
    std::size_t Read(std::uint8_t* data, std::size_t n) override;
    bool Failed() const override { return m_failed; }

private:
    NativeFile m_file;
    bool m_failed = false;
};

/** Reads another stream in large blocks and serves requests from memory, so
 *  that records can be decoded where they lie (Borrow). Every request
 *  delivers what the stream below would: all n bytes, the bytes up to the end
 *  of the data, or nothing when a read error falls inside it. It may read
 *  past the bytes requested. */
class BlockInputStream : public InputStream
{
public:
    explicit BlockInputStream(InputStream& source, std::size_t block = std::size_t(1) << 20)
        : m_source(source), m_block(block)
    {
    }
    std::size_t Read(std::uint8_t* data, std::size_t n) override;
    const std::uint8_t* Borrow(std::size_t n) override;

private:
    // Whether n bytes are held, reading another block when they are not.
    bool Fill(std::size_t n);

    InputStream& m_source;
    std::size_t m_block;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_ended = false;
    bool m_failed = false;
};

class FileOutputStream : public OutputStream
{
public:
    explicit FileOutputStream(NativeFile file) : m_file(file) {}
    /** Writes all n bytes, continuing after short and interrupted writes.
     *  Throws Error with the system's text (SystemErrorText) when a write
     *  fails; the bytes before the failure may have reached the file. */
    void Write(const std::uint8_t* data, std::size_t n) override;

private:
    NativeFile m_file;
};

/** Gathers small writes into large ones for the stream below it. Flush must
 *  be called at the end: what is still buffered when it goes away is lost. */
class BufferedOutputStream : public OutputStream
{
public:
    explicit BufferedOutputStream(OutputStream& out, std::size_t capacity = std::size_t(1) << 20);
    void Write(const std::uint8_t* data, std::size_t n) override;
    /** Hands every buffered byte on; errors of the stream below pass through. */
    void Flush();
    /** Bytes written through this stream so far, flushed or not. */
    std::uint64_t Total() const noexcept { return m_total; }

private:
    OutputStream& m_out;
    std::size_t m_capacity;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_total = 0;
};

} // namespace vt

#include "tables/ZipArchive.h"

#include "text/Utf.h"

#include <zip.h>

#include <ctime>
#include <new>

namespace vt {

namespace {

constexpr std::size_t PieceBytes = std::size_t(1) << 20;

[[noreturn]] void Refuse(std::u16string message)
{
    throw ZipRefusal(std::move(message));
}

std::u16string Damaged(zip_error_t* error)
{
    return u"the file is a damaged zip archive (" + FromUtf8(zip_error_strerror(error)) + u")";
}

// A closing guard for the handles of libzip.
struct MemberFile
{
    zip_file_t* file = nullptr;
    ~MemberFile()
    {
        if (file)
            zip_fclose(file);
    }
};

} // namespace

struct ZipReader::Archive
{
    zip_t* zip = nullptr;
    ~Archive()
    {
        if (zip)
            zip_discard(zip);
    }
};

ZipReader::ZipReader(std::span<const std::uint8_t> bytes) : m_archive(std::make_unique<Archive>())
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source)
        throw std::bad_alloc();
    m_archive->zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!m_archive->zip) {
        zip_source_free(source);
        // A zip archive starts with a member's header; without its end
        // (the directory) it was cut short.
        const bool started =
            bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' && bytes[2] == 3 && bytes[3] == 4;
        const bool notZip = zip_error_code_zip(&error) == ZIP_ER_NOZIP;
        std::u16string message =
            !notZip   ? Damaged(&error)
            : started ? u"the file is a damaged zip archive (cut short: its directory is missing)"
                      : u"the file is no zip archive";
        zip_error_fini(&error);
        Refuse(std::move(message));
    }
    zip_error_fini(&error);
}

ZipReader::~ZipReader() = default;

bool ZipReader::Has(std::string_view name) const
{
    return zip_name_locate(m_archive->zip, std::string(name).c_str(), 0) >= 0;
}

std::string ZipReader::Read(std::string_view name)
{
    std::string text;
    Stream(name, [&text](std::string_view piece) {
        text += piece;
        return true;
    });
    return text;
}

void ZipReader::Stream(std::string_view name, const std::function<bool(std::string_view)>& piece)
{
    zip_t* zip = m_archive->zip;
    const std::string member(name);
    const zip_int64_t index = zip_name_locate(zip, member.c_str(), 0);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(zip, zip_uint64_t(index), 0, &stat) != 0)
        Refuse(u"the part " + FromUtf8(member) + u" is missing");
    const std::u16string tooLarge =
        u"the parts of the file unpack to more than " + FromUtf8(std::to_string(UnpackedLimit >> 20)) +
        u" MiB; a spreadsheet of questions is far smaller, so it is refused as a zip bomb";
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        Refuse(u"the file is encrypted; save it without a password");
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > UnpackedLimit - m_unpacked)
        Refuse(tooLarge);
    MemberFile file{zip_fopen_index(zip, zip_uint64_t(index), 0)};
    if (!file.file)
        Refuse(zip_error_code_zip(zip_get_error(zip)) == ZIP_ER_NOPASSWD
                   ? u"the file is encrypted; save it without a password"
                   : Damaged(zip_get_error(zip)));
    std::string block(PieceBytes, '\0');
    zip_uint64_t read = 0;
    for (;;) {
        const zip_int64_t got = zip_fread(file.file, block.data(), block.size());
        if (got < 0)
            Refuse(Damaged(zip_file_get_error(file.file)));
        if (got == 0)
            return;
        // The directory's sizes may lie: what actually inflates counts.
        m_unpacked += zip_uint64_t(got);
        read += zip_uint64_t(got);
        if (m_unpacked > UnpackedLimit)
            Refuse(tooLarge);
        if ((stat.valid & ZIP_STAT_SIZE) && read > stat.size)
            Refuse(u"the file is a damaged zip archive or a zip bomb: the part " + FromUtf8(member) +
                   u" unpacks to more than the " + FromUtf8(std::to_string(stat.size)) +
                   u" bytes that its directory states");
        if (!piece(std::string_view(block.data(), std::size_t(got))))
            return;
    }
}

struct ZipWriter::Archive
{
    zip_source_t* buffer = nullptr;
    zip_t* zip = nullptr;
    ~Archive()
    {
        if (zip)
            zip_discard(zip);
        if (buffer)
            zip_source_free(buffer);
    }
};

ZipWriter::ZipWriter() : m_archive(std::make_unique<Archive>())
{
    zip_error_t error;
    zip_error_init(&error);
    m_archive->buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (m_archive->buffer) {
        // The archive is written into the buffer, which must outlive it.
        zip_source_keep(m_archive->buffer);
        m_archive->zip = zip_open_from_source(m_archive->buffer, ZIP_TRUNCATE, &error);
    }
    zip_error_fini(&error);
    if (!m_archive->zip)
        throw std::bad_alloc();
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::Add(std::string_view name, std::string content, bool stored)
{
    m_contents.push_back(std::make_unique<std::string>(std::move(content)));
    const std::string& data = *m_contents.back();
    zip_t* zip = m_archive->zip;
    zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
    const zip_int64_t index =
        source ? zip_file_add(zip, std::string(name).c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        if (source)
            zip_source_free(source);
        throw std::bad_alloc();
    }
    // A fixed time, so that the same content makes the same bytes.
    constexpr std::time_t Written = 946684800; // 2000-01-01
    zip_file_set_mtime(zip, zip_uint64_t(index), Written, 0);
    zip_set_file_compression(zip, zip_uint64_t(index), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 6);
}

std::vector<std::uint8_t> ZipWriter::Finish()
{
    if (zip_close(m_archive->zip) != 0)
        throw Error(u"Cannot make the zip archive: " + FromUtf8(zip_strerror(m_archive->zip)));
    m_archive->zip = nullptr;
    m_contents.clear();
    zip_source_t* buffer = m_archive->buffer;
    zip_stat_t stat;
    std::vector<std::uint8_t> bytes;
    if (zip_source_stat(buffer, &stat) != 0 || zip_source_open(buffer) != 0)
        throw std::bad_alloc();
    bytes.resize(std::size_t(stat.size));
    const zip_int64_t got = zip_source_read(buffer, bytes.data(), bytes.size());
    zip_source_close(buffer);
    if (got != zip_int64_t(bytes.size()))
        throw std::bad_alloc();
    return bytes;
}

} // namespace vt

#pragma once

#include "text/Error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The zip containers of spreadsheet files (.xlsx, .ods): read from memory
// with limits on what they unpack, and written in memory.

namespace vt {

/** Why a zip container cannot be read: damaged, encrypted, or unpacking to
 *  more than ZipReader::UnpackedLimit. The message is a finding's text. */
class ZipRefusal : public Error
{
public:
    using Error::Error;
};

/** A zip archive in memory, read member by member. */
class ZipReader
{
public:
    /** The most that all the members read from one archive may unpack to,
     *  by their directory's sizes and by what actually inflates: far more
     *  than a spreadsheet of a full base needs, far less than a zip bomb. */
    static constexpr std::uint64_t UnpackedLimit = std::uint64_t(512) << 20;

    /** Opens the archive in `bytes`, which must outlive the reader. Throws
     *  ZipRefusal when it is no zip or a damaged one. */
    explicit ZipReader(std::span<const std::uint8_t> bytes);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    /** Whether a member of that name (exact, as stored) is there. */
    bool Has(std::string_view name) const;
    /** The whole member, which must be there. */
    std::string Read(std::string_view name);
    /** The member in pieces of up to a megabyte, in order; `piece` returns
     *  false to stop. Throws ZipRefusal when the member is encrypted or
     *  damaged, or when the archive's unpacked total passes UnpackedLimit. */
    void Stream(std::string_view name, const std::function<bool(std::string_view)>& piece);

private:
    struct Archive;
    std::unique_ptr<Archive> m_archive;
    std::uint64_t m_unpacked = 0;
};

/** Builds a zip archive in memory, member by member in the order added. */
class ZipWriter
{
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    /** Adds a member, deflated or (`stored`) kept as it is. */
    void Add(std::string_view name, std::string content, bool stored = false);
    /** The archive's bytes; the writer takes no more members after it. */
    std::vector<std::uint8_t> Finish();

private:
    struct Archive;
    std::unique_ptr<Archive> m_archive;
    std::vector<std::unique_ptr<std::string>> m_contents; // alive until Finish
};

} // namespace vt

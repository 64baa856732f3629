#pragma once

#include "base/ByteStream.h"
#include "base/Finding.h"
#include "base/QuestionBase.h"
#include "base/QuestionCheck.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Every file format of the two programs, each described once: the editor's
// dialog filters and its choice by extension, and vertalina-base's --format
// values and their help, all come from here. Adding a format is adding one
// entry to the list in FileFormats.cpp.

namespace vt {

/** How a writer lays out what its format leaves open. */
struct WriteOptions
{
    char delimiter = ',';       // between CSV fields
    bool byteOrderMark = false; // a UTF-8 byte-order mark first
    /** Called after each record of a base file with its length in code units. */
    std::function<void(int)> recordWritten;
};

/** One file format. */
struct FileFormat
{
    /** The --format value and what messages call it: "dat", "csv", "json". */
    std::string_view name;
    /** How a message names a file of it: "CSV", "JSON". */
    std::string_view title;
    /** The extensions that choose it, without the dot, in lower case; the
     *  first is the one its dialog filter shows. */
    std::vector<std::string_view> extensions;
    /** The editor's dialog filters to load and to save a file of it. */
    std::string_view loadFilter;
    std::string_view saveFilter;
    /** Whether it is a table of questions (any format but the base file),
     *  which vertalina-base build reads and export writes. */
    bool table = true;
    /** Whether the start of a file's content says it is of this format; a
     *  format that nothing in the content names leaves it null. */
    bool (*recognise)(std::span<const std::uint8_t> content) = nullptr;
    /** Whether its extension, which CSV used to claim, chooses it only when
     *  the content is recognised; otherwise the file is CSV. */
    bool extensionNeedsContent = false;
    /** Reads a table of this format from `in` into `rows`, stopping once
     *  the sink is full; null for the base file, which ReadBase reads. */
    void (*read)(InputStream& in, RowSink& rows) = nullptr;
    /** Throws Error when the base cannot be written in this format at all;
     *  run before any file is touched. Null when every base fits. */
    void (*checkLimits)(const QuestionBase& base) = nullptr;
    /** The texts of the base that the format cannot carry, one finding each;
     *  null when it carries every text. */
    Findings (*unwritable)(const QuestionBase& base) = nullptr;
    /** Writes the whole base, once checkLimits and unwritable let it. */
    void (*write)(const QuestionBase& base, OutputStream& out, const WriteOptions& options) = nullptr;
};

/** Every format, the base file first, then the tables in the order the
 *  dialogs offer them. */
std::span<const FileFormat> FileFormats();

/** The base file's format, "dat". */
const FileFormat& BaseFileFormat();

/** The format called `name` (letter case aside), or nullptr. */
const FileFormat* FormatNamed(std::string_view name);

/** The format that the extension of `path` chooses (letter case aside), or
 *  nullptr when it has none or no format claims it. The extension is what
 *  follows the last dot of the last path element. */
const FileFormat* FormatOfExtension(std::string_view path);

/** The table format of `path` as vertalina-base build chooses it: by the
 *  extension when a table format claims it (for ".txt", Aiken when the
 *  content reads as Aiken, CSV otherwise); otherwise (also for "-", the
 *  standard input) the first table format that recognises the content, and
 *  CSV when none does. */
const FileFormat& TableFormatOfFile(std::string_view path, std::span<const std::uint8_t> content);

/** The names of the table formats that `has` accepts, for help texts and
 *  messages: "csv or json", with " (the default)" after `defaultName`. */
std::string FormatNames(bool (*has)(const FileFormat&), std::string_view defaultName = {});

/** Whether a table format can be written (export), or read (build). */
bool WritableTable(const FileFormat& format);
bool ReadableTable(const FileFormat& format);

/** "2 texts that CSV cannot carry": the count of the format's unwritable
 *  findings as a refusal to write them states it. */
std::u16string UnwritableSummary(const FileFormat& format, std::size_t count);

} // namespace vt

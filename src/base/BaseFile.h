#pragma once

#include "ByteStream.h"
#include "QuestionBase.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The ".dat" base file: a 5-code-unit header holding the question count,
// then one scrambled 457-code-unit record per question, UTF-16LE throughout.
// The field widths and the scrambling key live in BaseFile.cpp.

/** Bytes of the header and of one record in a base file. */
inline constexpr std::size_t BaseHeaderBytes = 10;
inline constexpr std::size_t BaseRecordBytes = 914;
/** The most questions that the 5-code-unit header can count. */
inline constexpr int MaxBaseQuestions = 99999;

/** The text with bars appended up to `width` code units; a text already at or
 *  beyond the width comes back unchanged. */
std::u16string PadField(std::u16string text, std::size_t width);
/** The code units before the first bar; the whole text when it has none. */
std::u16string CutField(std::u16string_view text);
/** XORs the code unit at position p (counted from 1) with p mod 7, for every
 *  position but the last. Its own inverse. */
std::u16string ScrambleRecord(std::u16string text);
/** The 5-code-unit header for `count`, 0 to MaxBaseQuestions; throws Error
 *  for a count outside that range. */
std::u16string EncodeHeader(int count);
/** The count that a header holds: its text before the first bar, read as an
 *  integer. Throws the conversion error
 *  "''<count text>'' is not a valid integer value". */
std::int32_t DecodeHeader(std::u16string_view header);
/** The scrambled record of the question's texts as they are: 457 code units
 *  when round and correct index are one code unit each and the texts fit
 *  their fields, longer otherwise (WriteBase never writes such a record). */
std::u16string EncodeRecord(const QuestionRecord& record);
/** The question held in 457 code units as read from a file; throws Error for
 *  any other length. */
QuestionRecord DecodeRecord(std::u16string_view record);

/** Checks that every question of the base fits the file format, so that
 *  WriteBase will write it; call it before creating a file. Throws Error
 *  naming the question (numbered from 0, as in the question list) and the
 *  field that does not fit: a question text over 255 or an answer over 40
 *  code units, a round or correct-index text of more than one code unit that
 *  is not a number from 0 to 9, or more than MaxBaseQuestions questions.
 *  An empty round or index text fits (it is written as a bar), and so does a
 *  longer one that reads as a number from 0 to 9 ("03", "+3", " 3"), which
 *  is written as that one digit. */
void CheckBaseLimits(const QuestionBase& base);

/** Writes the whole base; after each record calls notify with its length in
 *  code units (always 457). Runs CheckBaseLimits first and writes nothing
 *  when it throws; errors of `out` pass through. */
void WriteBase(const QuestionBase& base, OutputStream& out, const std::function<void(int)>& notify = {});

/** Reads one base file from `in` and appends its questions to `base`: one read
 *  request for the header, then one per record. Throws the conversion error of
 *  DecodeHeader, having appended nothing, or Error("Stream read error") when a
 *  record is cut short; the complete records before it stay appended. Bytes
 *  after the counted records are never read. */
void ReadBase(InputStream& in, QuestionBase& base);

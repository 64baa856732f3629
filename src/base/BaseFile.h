#pragma once

#include "ByteStream.h"
#include "QuestionBase.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The ".dat" base file: a 5-code-unit header holding the question count,
// then one scrambled 457-code-unit record per question, UTF-16LE throughout.
// (Implementation and the format constants live in BaseFile.cpp.)

std::u16string PadField(std::u16string text, std::size_t width);
std::u16string CutField(std::u16string_view text);
std::u16string ScrambleRecord(std::u16string text);
std::u16string EncodeHeader(int count);
/** Throws the conversion error "''<count text>'' is not a valid integer value". */
std::int32_t DecodeHeader(std::u16string_view header);
std::u16string EncodeRecord(const QuestionRecord& record);
QuestionRecord DecodeRecord(std::u16string_view record);

/** Writes the whole base; after each record calls notify with its length in
 *  code units. */
void WriteBase(const QuestionBase& base, OutputStream& out, const std::function<void(int)>& notify = {});

/** Reads one base file from `in` and appends its questions to `base`.
 *  Throws Error("Stream read error") when a record is cut short; the complete
 *  records before it stay appended. */
void ReadBase(InputStream& in, QuestionBase& base);

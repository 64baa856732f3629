#include "CsvFormat.h"

#include "QuestionCheck.h"
#include "TableWriter.h"
#include "Utf.h"

#include <csv.h>

namespace {

constexpr char Quote = '"';

bool NeedsQuotes(std::string_view utf8, char delimiter)
{
    if (utf8.find_first_of(std::string{delimiter, Quote, '\n', '\r'}) != std::string_view::npos)
        return true;
    const auto blank = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == ' ' || (byte >= '\t' && byte <= '\r') || byte == 0x85 || byte == 0xA0;
    };
    return !utf8.empty() && (blank(utf8.front()) || blank(utf8.back()));
}

bool IsLoneSurrogateAt(std::u16string_view text, std::size_t i)
{
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF)
        return i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF;
    return unit >= 0xDC00 && unit <= 0xDFFF && (i == 0 || text[i - 1] < 0xD800 || text[i - 1] > 0xDBFF);
}

std::u16string FieldName(int field)
{
    switch (field) {
    case FieldRound:
        return u"the round";
    case FieldQuestion:
        return u"the question text";
    case FieldCorrect:
        return u"the correct answer";
    default:
        return u"answer " + Decimal(field - FieldAnswer0);
    }
}

std::u16string Hex(char16_t unit)
{
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    std::u16string text;
    for (int shift = 12; shift >= 0; shift -= 4)
        if (const int digit = (unit >> shift) & 0xF; digit != 0 || !text.empty() || shift == 0)
            text += Digits[digit];
    return text;
}

} // namespace

std::string CsvField(std::u16string_view text, char delimiter)
{
    std::string utf8 = ToUtf8(text, U'?');
    if (!NeedsQuotes(utf8, delimiter))
        return utf8;
    std::string quoted(csv_write2(nullptr, 0, utf8.data(), utf8.size(), Quote), '\0');
    csv_write2(quoted.data(), quoted.size(), utf8.data(), utf8.size(), Quote);
    return quoted;
}

void WriteCsvQuestions(const QuestionBase& base, OutputStream& out, char delimiter, bool byteOrderMark)
{
    TableWriter writer(out);
    if (byteOrderMark)
        writer << "\xEF\xBB\xBF";
    for (std::size_t c = 0; c < std::size(CsvColumnNames); ++c)
        writer << (c == 0 ? "" : std::string(1, delimiter)) << CsvColumnNames[c];
    writer << "\r\n";
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        const std::u16string_view round = base.Entry(first + FieldRound);
        const int used = ExportedAnswerCount(round);
        writer << CsvField(round, delimiter) << delimiter
               << CsvField(base.Entry(first + FieldQuestion), delimiter);
        for (int n = 0; n < AnswerCount; ++n) {
            writer << delimiter;
            if (n < used)
                writer << CsvField(base.Entry(first + FieldAnswer0 + n), delimiter);
        }
        writer << delimiter << CsvField(base.Entry(first + FieldCorrect), delimiter) << "\r\n";
        writer.Step();
    }
    writer.Flush();
}

Findings CsvUnwritable(const QuestionBase& base)
{
    Findings found;
    for (int e = 0; e < base.EntryCount(); ++e) {
        const std::u16string_view text = base.Entry(e);
        std::size_t at = 0;
        while (at < text.size() && !(text[at] >= 0xD800 && text[at] <= 0xDFFF && IsLoneSurrogateAt(text, at)))
            ++at;
        if (at == text.size())
            continue;
        Finding finding;
        finding.question = e / EntriesPerQuestion;
        finding.place = u"question " + Decimal(finding.question);
        const std::u16string unit = Hex(text[at]);
        finding.message = FieldName(e % EntriesPerQuestion) + u" holds a lone surrogate (U+" + unit +
                          u"), which UTF-8 and so CSV cannot carry; export as JSON (--format json), which "
                          u"keeps it as a \\u" +
                          unit + u" escape";
        found.push_back(std::move(finding));
    }
    return found;
}

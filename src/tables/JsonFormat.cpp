#include "JsonFormat.h"

#include "IntText.h"
#include "QuestionCheck.h"
#include "TableWriter.h"

namespace {

void PutEscape(TableWriter& writer, char16_t unit)
{
    static constexpr char Digits[] = "0123456789abcdef";
    writer << "\\u" << Digits[unit >> 12] << Digits[(unit >> 8) & 0xF] << Digits[(unit >> 4) & 0xF]
           << Digits[unit & 0xF];
}

void PutString(TableWriter& writer, std::u16string_view text)
{
    writer << '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        switch (unit) {
        case u'"':
            writer << "\\\"";
            continue;
        case u'\\':
            writer << "\\\\";
            continue;
        case u'\b':
            writer << "\\b";
            continue;
        case u'\f':
            writer << "\\f";
            continue;
        case u'\n':
            writer << "\\n";
            continue;
        case u'\r':
            writer << "\\r";
            continue;
        case u'\t':
            writer << "\\t";
            continue;
        default:
            break;
        }
        if (unit < 0x20 || unit == 0xFEFF) {
            PutEscape(writer, unit);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            writer.PutCodePoint(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            PutEscape(writer, unit);
        } else {
            writer.PutCodePoint(unit);
        }
    }
    writer << '"';
}

void PutNumberOrText(TableWriter& writer, std::u16string_view text)
{
    std::int32_t value = 0;
    if (TryStrToInt(text, value))
        writer << std::to_string(value);
    else
        PutString(writer, text);
}

} // namespace

void WriteJsonQuestions(const QuestionBase& base, OutputStream& out)
{
    TableWriter writer(out);
    writer << "[\n";
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        const std::u16string_view round = base.Entry(first + FieldRound);
        const int used = ExportedAnswerCount(round);
        writer << (k == 0 ? "    {\n" : ",\n    {\n") << "        \"answers\": [\n";
        for (int n = 0; n < used; ++n) {
            writer << "            ";
            PutString(writer, base.Entry(first + FieldAnswer0 + n));
            writer << (n + 1 < used ? ",\n" : "\n");
        }
        writer << "        ],\n        \"correct\": ";
        PutNumberOrText(writer, base.Entry(first + FieldCorrect));
        writer << ",\n        \"question\": ";
        PutString(writer, base.Entry(first + FieldQuestion));
        writer << ",\n        \"round\": ";
        PutNumberOrText(writer, round);
        writer << "\n    }";
        writer.Step();
    }
    writer << (base.QuestionCount() > 0 ? "\n]\n" : "]\n");
    writer.Flush();
}

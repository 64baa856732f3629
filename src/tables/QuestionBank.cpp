#include "tables/QuestionBank.h"

#include "text/Utf.h"

#include <optional>
#include <vector>

namespace vt {

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

std::u16string FieldName(int field)
{
    return field == FieldQuestion ? std::u16string(u"the question text")
                                  : u"answer " + Decimal(field - FieldAnswer0);
}

} // namespace

std::u16string RoundCategory(int round)
{
    return u"Round " + Decimal(round);
}

int RoundOfCategory(std::u16string_view path)
{
    const std::size_t slash = path.rfind(u'/');
    std::u16string_view last =
        TrimmedText(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
    constexpr std::u16string_view Word = u"round";
    if (last.size() <= Word.size())
        return 0;
    for (std::size_t i = 0; i < Word.size(); ++i)
        if (Lower(last[i]) != Word[i])
            return 0;
    return RoundOfText(TrimmedText(last.substr(Word.size())));
}

int RoundOfAnswerCount(int answers)
{
    return answers >= 2 && answers <= AnswerCount ? answers - 1 : 0;
}

std::u16string_view TrimmedText(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

void AddBankQuestion(RowSink& rows, BankQuestion&& question)
{
    const int count = int(question.answers.size());
    if (count < 2 || count > AnswerCount) {
        rows.AddUnfitQuestion(FindingOnLine(question.line, Counted(count, u"answer", u"answers") +
                                                               u": a question of the game has 2 to " +
                                                               Decimal(AnswerCount)));
        return;
    }
    QuestionRow row;
    row.line = question.line;
    row.place = u"line " + Decimal(question.line);
    row.round = Decimal(question.categoryRound != 0 ? question.categoryRound : RoundOfAnswerCount(count));
    row.question = std::move(question.question);
    for (int n = 0; n < count; ++n)
        row.answers[std::size_t(n)] = std::move(question.answers[std::size_t(n)]);
    row.correct = Decimal(question.correct);
    rows.AddRow(std::move(row));
}

int BankRound(const QuestionBase& base, int k)
{
    return RoundOfText(base.Entry(k * EntriesPerQuestion + FieldRound));
}

Findings BankUnwritable(const QuestionBase& base, std::u16string_view title,
                        const std::function<std::u16string(std::u16string_view)>& textFault)
{
    Findings found;
    const std::u16string format(title);
    for (int k = 0; k < base.QuestionCount(); ++k) {
        auto add = [&](std::u16string message) {
            Finding finding;
            finding.question = k;
            finding.place = u"question " + Decimal(k);
            finding.message = std::move(message);
            found.push_back(std::move(finding));
        };
        const int first = k * EntriesPerQuestion;
        const int round = BankRound(base, k);
        if (round == 0) {
            add(u"round \"" + ShownText(base.Entry(first + FieldRound)) + u"\" is not 1 to 5, and " + format +
                u" carries no other");
            continue;
        }
        const int used = AnswersOfRound(round);
        const int correct = AnswerOfText(base.Entry(first + FieldCorrect));
        if (correct < 0 || correct >= used)
            add(u"correct answer \"" + ShownText(base.Entry(first + FieldCorrect)) + u"\" is not 0 to " +
                Decimal(used - 1) + u", the answers of round " + Decimal(round));
        for (int field = FieldQuestion; field < FieldAnswer0 + used; ++field)
            if (std::u16string fault = textFault(base.Entry(first + field)); !fault.empty())
                add(FieldName(field) + u' ' + fault);
    }
    return found;
}

bool HoldsLoneSurrogate(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        else if (unit >= 0xD800 && unit <= 0xDFFF)
            return true;
    }
    return false;
}

void ReadLines(InputStream& in, const std::function<bool(std::u16string_view, int, bool)>& line)
{
    std::vector<std::uint8_t> block(std::size_t(1) << 20);
    std::string pending;
    std::u16string text;
    int number = 0;
    bool first = true;
    bool afterCr = false; // the last line ended in CR: an LF at once is its end too
    auto deliver = [&](std::string_view bytes) {
        text.clear();
        const bool valid = AppendFromUtf8(bytes, text);
        return line(text, ++number, valid);
    };
    for (std::size_t got; (got = in.Read(block.data(), block.size())) > 0;) {
        std::string_view bytes(reinterpret_cast<const char*>(block.data()), got);
        if (first) {
            first = false;
            if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
                bytes.remove_prefix(3);
        }
        if (afterCr && !bytes.empty() && bytes.front() == '\n')
            bytes.remove_prefix(1);
        afterCr = false;
        std::size_t start = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != '\n' && bytes[i] != '\r')
                continue;
            bool go;
            if (pending.empty()) {
                go = deliver(bytes.substr(start, i - start));
            } else {
                pending.append(bytes.substr(start, i - start));
                go = deliver(pending);
                pending.clear();
            }
            if (!go)
                return;
            if (bytes[i] == '\r') {
                if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                    ++i;
                else if (i + 1 == bytes.size())
                    afterCr = true;
            }
            start = i + 1;
        }
        pending.append(bytes.substr(start));
    }
    if (!pending.empty())
        deliver(pending);
}

namespace {

struct NamedEntity
{
    std::u16string_view name;
    char16_t unit;
};

constexpr NamedEntity NamedEntities[] = {
    {u"amp", u'&'},     {u"lt", u'<'},      {u"gt", u'>'},       {u"quot", u'"'},    {u"apos", u'\''},
    {u"nbsp", 0x00A0},  {u"ndash", 0x2013}, {u"mdash", 0x2014},  {u"laquo", 0x00AB}, {u"raquo", 0x00BB},
    {u"lsquo", 0x2018}, {u"rsquo", 0x2019}, {u"ldquo", 0x201C},  {u"rdquo", 0x201D}, {u"hellip", 0x2026},
    {u"copy", 0x00A9},  {u"reg", 0x00AE},   {u"deg", 0x00B0},    {u"times", 0x00D7}, {u"divide", 0x00F7},
    {u"minus", 0x2212}, {u"shy", 0x00AD},   {u"middot", 0x00B7}, {u"euro", 0x20AC},  {u"bull", 0x2022},
};

/** The text of a character reference or named entity starting at `at` (an
 *  "&"), and its length; nothing when it is neither. */
std::optional<std::pair<std::u16string, std::size_t>> EntityAt(std::u16string_view html, std::size_t at)
{
    const std::size_t semicolon = html.find(u';', at);
    if (semicolon == std::u16string_view::npos || semicolon - at > 12)
        return std::nullopt;
    const std::u16string_view body = html.substr(at + 1, semicolon - at - 1);
    const std::size_t length = semicolon - at + 1;
    if (body.size() >= 2 && body[0] == u'#') {
        const bool hex = body[1] == u'x' || body[1] == u'X';
        const std::u16string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty())
            return std::nullopt;
        std::uint32_t value = 0;
        for (char16_t c : digits) {
            int digit = -1;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (hex && c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (hex && c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            if (digit < 0)
                return std::nullopt;
            value = value * (hex ? 16 : 10) + std::uint32_t(digit);
            if (value > 0x10FFFF)
                return std::nullopt;
        }
        if (value < 0x10000)
            return std::pair{std::u16string(1, char16_t(value)), length};
        value -= 0x10000;
        return std::pair{std::u16string{char16_t(0xD800 + (value >> 10)), char16_t(0xDC00 + (value & 0x3FF))},
                         length};
    }
    for (const NamedEntity& entity : NamedEntities)
        if (entity.name == body)
            return std::pair{std::u16string(1, entity.unit), length};
    return std::nullopt;
}

bool IsParagraphTag(std::u16string_view name)
{
    constexpr std::u16string_view Tags[] = {u"p",  u"div", u"li", u"ul", u"ol", u"h1",    u"h2",
                                            u"h3", u"h4",  u"h5", u"h6", u"tr", u"table", u"blockquote"};
    for (std::u16string_view tag : Tags)
        if (name == tag)
            return true;
    return false;
}

} // namespace

std::u16string TextOfHtml(std::u16string_view html, bool* images)
{
    std::u16string out;
    bool space = false;     // the markup had blanks here
    bool paragraph = false; // a paragraph ended or began here
    auto put = [&](std::u16string_view text) {
        if (!out.empty() && paragraph)
            out += u'\n';
        else if (!out.empty() && space)
            out += u' ';
        space = paragraph = false;
        out += text;
    };
    for (std::size_t i = 0; i < html.size(); ++i) {
        const char16_t c = html[i];
        if (c == u'<') {
            const std::size_t end = html.find(u'>', i);
            if (end == std::u16string_view::npos) {
                put(html.substr(i, 1));
                continue;
            }
            std::u16string name;
            for (std::size_t j = i + 1; j < end; ++j) {
                const char16_t n = html[j];
                if (n == u'/' && name.empty())
                    continue;
                if (!((n >= u'a' && n <= u'z') || (n >= u'A' && n <= u'Z') || (n >= u'0' && n <= u'9')))
                    break;
                name += Lower(n);
            }
            if (name == u"br" || IsParagraphTag(name)) {
                paragraph = true;
            } else if (name == u"img" && images) {
                *images = true;
            }
            i = end;
        } else if (IsBlank(c)) {
            space = true;
        } else if (c == u'&') {
            if (auto entity = EntityAt(html, i)) {
                put(entity->first);
                i += entity->second - 1;
            } else {
                put(html.substr(i, 1));
            }
        } else {
            // A run of plain text at once.
            std::size_t end = i + 1;
            while (end < html.size() && html[end] != u'<' && html[end] != u'&' && !IsBlank(html[end]))
                ++end;
            put(html.substr(i, end - i));
            i = end - 1;
        }
    }
    return out;
}

std::string HtmlOfText(std::u16string_view text)
{
    std::string html = "<p>";
    auto reference = [&](char16_t unit) { html += "&#" + std::to_string(unsigned(unit)) + ";"; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'&')
            html += "&amp;";
        else if (c == u'<')
            html += "&lt;";
        else if (c == u'>')
            html += "&gt;";
        else if (c == u' ')
            (i == 0 || i + 1 == text.size() || text[i - 1] == u' ') ? reference(c) : void(html += ' ');
        else if (c < 0x20 || c == 0xFFFE || c == 0xFFFF)
            reference(c);
        else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                 text[i + 1] <= 0xDFFF) {
            AppendUtf8(html, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF)
            reference(c);
        else
            AppendUtf8(html, c);
    }
    return html + "</p>";
}

} // namespace vt

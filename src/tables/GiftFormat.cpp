#include "tables/GiftFormat.h"

#include "tables/QuestionBank.h"
#include "tables/TableWriter.h"
#include "text/Utf.h"

#include <string_view>

namespace vt {

namespace {

constexpr std::u16string_view Escapable = u"~=#{}:\\";
constexpr std::u16string_view CategoryTag = u"$CATEGORY:";

/** The first of `chars` at or after `from` that no backslash escapes. */
std::size_t FindUnescaped(std::u16string_view text, std::u16string_view chars, std::size_t from = 0)
{
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
            continue;
        }
        if (chars.find(text[i]) != std::u16string_view::npos)
            return i;
    }
    return std::u16string_view::npos;
}

std::size_t FindUnescapedText(std::u16string_view text, std::u16string_view what, std::size_t from = 0)
{
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
            continue;
        }
        if (text.substr(i, what.size()) == what)
            return i;
    }
    return std::u16string_view::npos;
}

std::u16string Unescaped(std::u16string_view text, bool html)
{
    std::u16string out;
    text = TrimmedText(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            const char16_t next = text[i + 1];
            if (Escapable.find(next) != std::u16string_view::npos) {
                out += next;
                ++i;
                continue;
            }
            if (next == u'n') {
                out += u'\n';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return html ? TextOfHtml(out) : out;
}

bool IsTrueFalse(std::u16string_view answers)
{
    std::u16string upper;
    for (char16_t c : answers)
        upper += c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
    return upper == u"T" || upper == u"F" || upper == u"TRUE" || upper == u"FALSE";
}

class GiftReader
{
public:
    explicit GiftReader(RowSink& rows) : m_rows(rows) {}

    bool Line(std::u16string_view raw, int number, bool validUtf8)
    {
        const std::u16string_view line = TrimmedText(raw);
        if (line.substr(0, 2) == u"//")
            return true;
        if (line.empty()) {
            EndBlock();
            return !m_rows.Full();
        }
        if (m_block.empty()) {
            m_line = number;
            m_validUtf8 = true;
        } else {
            m_block += u'\n';
        }
        m_validUtf8 = m_validUtf8 && validUtf8;
        m_block += raw;
        return true;
    }

    void Finish() { EndBlock(); }

private:
    void Unfit(std::u16string message) { m_rows.AddUnfitQuestion(FindingOnLine(m_line, std::move(message))); }

    void EndBlock()
    {
        if (m_block.empty())
            return;
        const std::u16string block(TrimmedText(m_block));
        if (!m_validUtf8)
            Unfit(u"the question is not valid UTF-8");
        else if (block.starts_with(CategoryTag))
            m_categoryRound = RoundOfCategory(std::u16string_view(block).substr(CategoryTag.size()));
        else
            Question(block);
        m_block.clear();
    }

    void Question(std::u16string_view block)
    {
        if (block.substr(0, 2) == u"::") {
            const std::size_t end = FindUnescapedText(block, u"::", 2);
            if (end == std::u16string_view::npos)
                return Unfit(u"the title has no closing \"::\"");
            block = TrimmedText(block.substr(end + 2));
        }
        bool html = false;
        if (!block.empty() && block.front() == u'[') {
            const std::size_t end = block.find(u']');
            const std::u16string_view format =
                block.substr(1, end == std::u16string_view::npos ? 0 : end - 1);
            if (format == u"html" || format == u"moodle" || format == u"plain" || format == u"markdown") {
                html = format == u"html";
                block = block.substr(end + 1);
            }
        }
        const std::size_t open = FindUnescaped(block, u"{");
        if (open == std::u16string_view::npos)
            return Unfit(u"no answers in \"{ }\": a description, not a question");
        const std::size_t close = FindUnescaped(block, u"}", open + 1);
        if (close == std::u16string_view::npos)
            return Unfit(u"the answers have no closing \"}\"");
        if (!TrimmedText(block.substr(close + 1)).empty())
            return Unfit(u"text after the answers: a missing-word question, which the game does not have");
        std::u16string_view answers = TrimmedText(block.substr(open + 1, close - open - 1));
        if (answers.empty())
            return Unfit(u"an essay question, which the game does not have");
        if (IsTrueFalse(answers))
            return Unfit(u"a true/false question, which the game does not have");
        if (answers.front() == u'#')
            return Unfit(u"a numerical question, which the game does not have");

        BankQuestion question;
        question.line = m_line;
        question.categoryRound = m_categoryRound;
        question.question = Unescaped(block.substr(0, open), html);
        bool feedback = false;
        if (const std::size_t general = FindUnescapedText(answers, u"####");
            general != std::u16string_view::npos) {
            feedback = !TrimmedText(answers.substr(general + 4)).empty();
            answers = answers.substr(0, general);
        }
        if (answers.empty() || (answers.front() != u'=' && answers.front() != u'~'))
            return Unfit(u"the answers do not begin with \"=\" or \"~\"");
        int correct = 0;
        bool wrongMarks = false;
        bool arrows = false;
        for (std::size_t at = 0; at < answers.size();) {
            const bool right = answers[at] == u'=';
            wrongMarks = wrongMarks || !right;
            std::size_t next = FindUnescaped(answers, u"=~", at + 1);
            std::u16string_view item =
                answers.substr(at + 1, next == std::u16string_view::npos ? next : next - at - 1);
            at = next == std::u16string_view::npos ? answers.size() : next;
            bool weighted = right;
            if (!item.empty() && item.front() == u'%') {
                const std::size_t end = item.find(u'%', 1);
                if (end == std::u16string_view::npos)
                    return Unfit(u"a weight has no closing \"%\"");
                const std::u16string weight(TrimmedText(item.substr(1, end - 1)));
                if (weight != u"100" && weight != u"0")
                    return Unfit(u"answer " + Decimal(std::int64_t(question.answers.size())) +
                                 u" has the partial fraction " + ShownText(weight) +
                                 u"%; a question of the game has one correct answer");
                weighted = weight == u"100";
                item = item.substr(end + 1);
            }
            if (const std::size_t hash = FindUnescaped(item, u"#"); hash != std::u16string_view::npos) {
                feedback = feedback || !TrimmedText(item.substr(hash + 1)).empty();
                item = item.substr(0, hash);
            }
            arrows = arrows || FindUnescapedText(item, u"->") != std::u16string_view::npos;
            if (weighted) {
                ++correct;
                question.correct = int(question.answers.size());
            }
            question.answers.push_back(Unescaped(item, html));
        }
        if (!wrongMarks)
            return Unfit(arrows ? u"a matching question, which the game does not have"
                                : u"a short-answer question, which the game does not have");
        if (correct != 1)
            return Unfit(correct == 0
                             ? u"no correct answer"
                             : Decimal(correct) + u" correct answers; a question of the game has one");
        if (feedback)
            m_rows.AddNote(FindingOnLine(m_line, u"feedback dropped: a base has no place for it"));
        AddBankQuestion(m_rows, std::move(question));
    }

    RowSink& m_rows;
    std::u16string m_block;
    int m_line = 0;
    bool m_validUtf8 = true;
    int m_categoryRound = 0;
};

std::u16string GiftTextFault(std::u16string_view text)
{
    if (text.find_first_of(u"\r\n") != std::u16string_view::npos)
        return u"holds a line break, which GIFT does not keep";
    if (TrimmedText(text).size() != text.size())
        return u"begins or ends with a blank, which GIFT does not keep";
    if (HoldsLoneSurrogate(text))
        return u"holds a lone surrogate, which UTF-8 and so GIFT cannot carry";
    return {};
}

} // namespace

std::string GiftEscaped(std::u16string_view text)
{
    std::u16string escaped;
    for (char16_t c : text) {
        if (Escapable.find(c) != std::u16string_view::npos)
            escaped += u'\\';
        escaped += c;
    }
    return ToUtf8(escaped);
}

void ReadGiftQuestions(InputStream& in, RowSink& rows)
{
    GiftReader reader(rows);
    ReadLines(in, [&](std::u16string_view line, int number, bool valid) {
        return reader.Line(line, number, valid);
    });
    reader.Finish();
}

Findings GiftUnwritable(const QuestionBase& base)
{
    Findings found = BankUnwritable(base, u"GIFT", GiftTextFault);
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        const std::u16string_view question = base.Entry(first + FieldQuestion);
        bool fault = question.substr(0, 2) == u"//" || question.substr(0, 1) == u"[";
        for (int n = 0; n < AnswersOfRound(BankRound(base, k)); ++n) {
            const std::u16string_view answer = base.Entry(first + FieldAnswer0 + n);
            fault = fault || answer.substr(0, 1) == u"%" || answer.find(u"->") != std::u16string_view::npos;
        }
        if (!fault)
            continue;
        Finding finding;
        finding.question = k;
        finding.place = u"question " + Decimal(k);
        finding.message =
            u"a question text that begins with \"//\" or \"[\", or an answer that begins with \"%\", "
            u"reads as something else in GIFT";
        found.push_back(std::move(finding));
    }
    return found;
}

void WriteGiftQuestions(const QuestionBase& base, OutputStream& out)
{
    TableWriter writer(out);
    int category = 0;
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        const int round = BankRound(base, k);
        if (round != category) {
            writer << "$CATEGORY: " << ToUtf8(RoundCategory(round)) << "\r\n\r\n";
            category = round;
        }
        writer << GiftEscaped(base.Entry(first + FieldQuestion)) << " {\r\n";
        const int correct = AnswerOfText(base.Entry(first + FieldCorrect));
        for (int n = 0; n < AnswersOfRound(round); ++n)
            writer << (n == correct ? "=" : "~") << GiftEscaped(base.Entry(first + FieldAnswer0 + n))
                   << "\r\n";
        writer << "}\r\n\r\n";
        writer.Step();
    }
    writer.Flush();
}

} // namespace vt

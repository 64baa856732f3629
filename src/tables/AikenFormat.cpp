#include "tables/AikenFormat.h"

#include "tables/QuestionBank.h"
#include "tables/TableWriter.h"
#include "text/Utf.h"

#include <optional>
#include <string_view>

namespace vt {

namespace {

constexpr std::u16string_view AnswerTag = u"ANSWER:";

bool IsLineBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

/** The letter's option index and its text, when the line is an option. */
std::optional<std::pair<int, std::u16string_view>> OptionOf(std::u16string_view line)
{
    if (line.size() < 2 || line[0] < u'A' || line[0] > u'Z' || (line[1] != u'.' && line[1] != u')'))
        return std::nullopt;
    if (line.size() > 2 && !IsLineBlank(line[2]))
        return std::nullopt;
    return std::pair{int(line[0] - u'A'), TrimmedText(line.substr(2))};
}

bool IsAnswerLine(std::u16string_view line)
{
    return line.substr(0, AnswerTag.size()) == AnswerTag;
}

class AikenReader
{
public:
    explicit AikenReader(RowSink& rows) : m_rows(rows) {}

    bool Line(std::u16string_view raw, int number, bool validUtf8)
    {
        const std::u16string_view line = TrimmedText(raw);
        if (line.empty()) {
            if (m_open)
                Fault(u"the question ends without an \"ANSWER:\" line");
            return !m_rows.Full();
        }
        if (!m_open) {
            m_open = true;
            m_question = BankQuestion();
            m_question.line = number;
            m_fault.clear();
        }
        if (!validUtf8 && m_fault.empty())
            m_fault = u"line " + Decimal(number) + u" is not valid UTF-8";
        if (IsAnswerLine(line)) {
            Answer(TrimmedText(line.substr(AnswerTag.size())));
            return !m_rows.Full();
        }
        if (const auto option = OptionOf(line); option && !m_question.question.empty()) {
            if (option->first != int(m_question.answers.size()) && m_fault.empty())
                m_fault = u"option " + std::u16string(1, line[0]) + u" on line " + Decimal(number) +
                          u" is out of order";
            m_question.answers.emplace_back(option->second);
        } else if (m_question.answers.empty()) {
            if (!m_question.question.empty())
                m_question.question += u' ';
            m_question.question += line;
        } else if (m_fault.empty()) {
            m_fault = u"line " + Decimal(number) + u" is neither an option nor the \"ANSWER:\" line";
        }
        return true;
    }

    void Finish()
    {
        if (m_open)
            Fault(u"the question ends without an \"ANSWER:\" line");
    }

private:
    void Answer(std::u16string_view letter)
    {
        const int count = int(m_question.answers.size());
        if (m_fault.empty() && count == 0)
            m_fault = u"\"ANSWER:\" comes before any option";
        if (m_fault.empty() && (letter.size() != 1 || letter[0] < u'A' || letter[0] >= u'A' + count))
            m_fault = u"the answer \"" + ShownText(letter) + u"\" is not a letter of the options A to " +
                      std::u16string(1, char16_t(u'A' + count - 1));
        if (!m_fault.empty()) {
            Fault(m_fault);
            return;
        }
        m_question.correct = letter[0] - u'A';
        m_open = false;
        AddBankQuestion(m_rows, std::move(m_question));
    }

    void Fault(std::u16string message)
    {
        m_rows.AddUnfitQuestion(FindingOnLine(m_question.line, std::move(message)));
        m_open = false;
    }

    RowSink& m_rows;
    BankQuestion m_question;
    std::u16string m_fault; // the first fault of the open question
    bool m_open = false;
};

std::u16string AikenTextFault(std::u16string_view text)
{
    if (text.find_first_of(u"\r\n") != std::u16string_view::npos)
        return u"holds a line break, which an Aiken line cannot";
    if (TrimmedText(text).size() != text.size())
        return u"begins or ends with a blank, which Aiken does not keep";
    if (HoldsLoneSurrogate(text))
        return u"holds a lone surrogate, which UTF-8 and so Aiken cannot carry";
    return {};
}

} // namespace

void ReadAikenQuestions(InputStream& in, RowSink& rows)
{
    AikenReader reader(rows);
    ReadLines(in, [&](std::u16string_view line, int number, bool valid) {
        return reader.Line(line, number, valid);
    });
    reader.Finish();
}

bool LooksLikeAiken(std::span<const std::uint8_t> content)
{
    const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
    bool option = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.size() >= 2 && line[0] == 'A' && (line[1] == '.' || line[1] == ')') &&
            (line.size() == 2 || line[2] == ' ' || line[2] == '\t'))
            option = true;
        else if (option && line.substr(0, 7) == "ANSWER:")
            return true;
        start = end + 1;
    }
    return false;
}

Findings AikenUnwritable(const QuestionBase& base)
{
    bool otherRounds = false;
    for (int k = 0; k < base.QuestionCount() && !otherRounds; ++k)
        otherRounds = BankRound(base, k) != RoundCount;
    Findings found = BankUnwritable(base, u"Aiken", AikenTextFault);
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const std::u16string_view question = base.Entry(k * EntriesPerQuestion + FieldQuestion);
        std::u16string fault;
        if (question.empty())
            fault = u"the question text is empty, and Aiken has no line for it";
        else if (OptionOf(question) || IsAnswerLine(question))
            fault = u"the question text reads as an option or \"ANSWER:\" line in Aiken";
        else if (otherRounds && BankRound(base, k) == RoundCount)
            fault = u"round 5 cannot travel in Aiken beside other rounds: it has no categories, and five "
                    u"answers read back as round 4";
        if (fault.empty())
            continue;
        Finding finding;
        finding.question = k;
        finding.place = u"question " + Decimal(k);
        finding.message = std::move(fault);
        found.push_back(std::move(finding));
    }
    return found;
}

void WriteAikenQuestions(const QuestionBase& base, OutputStream& out)
{
    TableWriter writer(out);
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        writer << ToUtf8(base.Entry(first + FieldQuestion)) << "\r\n";
        const int used = AnswersOfRound(BankRound(base, k));
        for (int n = 0; n < used; ++n)
            writer << char('A' + n) << ". " << ToUtf8(base.Entry(first + FieldAnswer0 + n)) << "\r\n";
        writer << "ANSWER: " << char('A' + AnswerOfText(base.Entry(first + FieldCorrect))) << "\r\n\r\n";
        writer.Step();
    }
    writer.Flush();
}

} // namespace vt

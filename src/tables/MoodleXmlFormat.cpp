#include "tables/MoodleXmlFormat.h"

#include "tables/QuestionBank.h"
#include "tables/TableWriter.h"
#include "tables/XmlReader.h"
#include "text/Utf.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vt {

namespace {

/** The element whose text is being collected. */
enum class Target
{
    None,
    Category,
    QuestionText,
    Answer,
    Tag,
    Dropped, // feedback, hints: only whether it holds anything counts
};

// The text without the blanks that TrimmedText takes off its ends, all of
// them ASCII and so whole bytes of UTF-8.
std::string_view TrimmedUtf8(std::string_view utf8)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!utf8.empty() && blank(utf8.front()))
        utf8.remove_prefix(1);
    while (!utf8.empty() && blank(utf8.back()))
        utf8.remove_suffix(1);
    return utf8;
}

class MoodleReader : public XmlHandler
{
public:
    explicit MoodleReader(RowSink& rows) : m_rows(rows) {}
    XmlReader* reader = nullptr;

    void StartElement(const XmlName& name, std::span<const XmlAttribute> attributes) override
    {
        // The strings of the path are kept for the next elements' names.
        if (m_path.size() == m_depth)
            m_path.emplace_back();
        m_path[m_depth++].assign(name.local);
        const std::size_t depth = m_depth;
        if (depth == 1 && !name.Is("quiz"))
            throw XmlError(u"the root element is <" + FromUtf8(name.local) +
                               u">, not the <quiz> of Moodle XML",
                           reader->Line(), reader->Column());
        if (depth == 2 && name.Is("question")) {
            StartQuestion(Attribute(attributes, "type"));
            return;
        }
        if (depth < 3 || m_type.empty())
            return;
        const std::string_view parent = m_path[depth - 2];
        if (name.Is("file") || name.Is("image") || name.Is("image_base64"))
            m_dropped.push_back("images and files");
        if (name.Is("text")) {
            m_text.clear();
            m_target = Target::None;
            if (m_type == "category" && parent == "category")
                m_target = Target::Category;
            else if (m_type != "multichoice")
                return;
            else if (parent == "questiontext" && depth == 4)
                m_target = Target::QuestionText;
            else if (parent == "answer" && depth == 4)
                m_target = Target::Answer;
            else if (parent == "tag")
                m_target = Target::Tag;
            else if (parent.find("feedback") != std::string_view::npos || parent == "hint")
                m_target = Target::Dropped;
            m_textFormat = m_target == Target::QuestionText || m_target == Target::Answer ? m_format : "";
        } else if (depth == 3 && (name.Is("questiontext") || name.Is("answer"))) {
            m_format = std::string(Attribute(attributes, "format"));
            if (name.Is("answer"))
                m_fraction = std::string(Attribute(attributes, "fraction"));
        } else if (depth == 3 && name.Is("hint")) {
            m_dropped.push_back("hints");
        }
    }

    void EndElement(const XmlName& name) override
    {
        const std::size_t depth = m_depth--;
        if (depth == 2 && name.Is("question")) {
            EndQuestion();
            if (m_rows.Full())
                reader->Stop();
            return;
        }
        if (!name.Is("text") || m_target == Target::None)
            return;
        const Target target = m_target;
        m_target = Target::None;
        bool images = false;
        std::u16string text = m_textFormat == "html" ? TextOfHtml(FromUtf8(m_text), &images)
                                                     : FromUtf8(TrimmedUtf8(m_text));
        if (images)
            m_dropped.push_back("images and files");
        switch (target) {
        case Target::Category:
            m_categoryRound = RoundOfCategory(text);
            break;
        case Target::QuestionText:
            m_question.question = std::move(text);
            break;
        case Target::Answer:
            m_answers.push_back({std::move(text), m_fraction});
            break;
        case Target::Tag:
            if (const int round = RoundOfCategory(text); round != 0)
                m_tagRound = round;
            break;
        case Target::Dropped:
            if (!text.empty())
                m_dropped.push_back("feedback");
            break;
        case Target::None:
            break;
        }
    }

    void Text(std::string_view utf8) override
    {
        if (m_target != Target::None)
            m_text += utf8;
    }

private:
    struct Answer
    {
        std::u16string text;
        std::string fraction;
    };

    static std::string_view Attribute(std::span<const XmlAttribute> attributes, std::string_view name)
    {
        for (const XmlAttribute& attribute : attributes)
            if (attribute.name.Is(name))
                return attribute.value;
        return {};
    }

    void StartQuestion(std::string_view type)
    {
        m_type = type.empty() ? std::string("(none)") : std::string(type);
        m_line = reader->Line();
        m_question = BankQuestion();
        m_question.line = m_line;
        m_answers.clear();
        m_dropped.clear();
        m_tagRound = 0;
    }

    void Unfit(std::u16string message) { m_rows.AddUnfitQuestion(FindingOnLine(m_line, std::move(message))); }

    void EndQuestion()
    {
        const std::string type = std::move(m_type);
        m_type.clear();
        if (type == "category")
            return;
        if (type != "multichoice")
            return Unfit(u"a question of type \"" + ShownText(FromUtf8(type)) +
                         u"\", which the game does not have (it has multichoice only)");
        int correct = 0;
        for (std::size_t n = 0; n < m_answers.size(); ++n) {
            const std::string& fraction = m_answers[n].fraction;
            char* end = nullptr;
            const double value = std::strtod(fraction.c_str(), &end);
            if (fraction.empty() || *end != '\0' || (value != 100 && value != 0))
                return Unfit(u"answer " + Decimal(std::int64_t(n)) + u" has the fraction \"" +
                             ShownText(FromUtf8(fraction)) +
                             u"\"; a question of the game has one correct answer (100) and wrong ones (0)");
            if (value == 100) {
                ++correct;
                m_question.correct = int(n);
            }
        }
        if (correct != 1)
            return Unfit(correct == 0
                             ? std::u16string(u"no correct answer (fraction 100)")
                             : Decimal(correct) + u" correct answers; a question of the game has one");
        for (Answer& answer : m_answers)
            m_question.answers.push_back(std::move(answer.text));
        m_question.categoryRound = m_tagRound != 0 ? m_tagRound : m_categoryRound;
        if (!m_dropped.empty()) {
            std::sort(m_dropped.begin(), m_dropped.end());
            m_dropped.erase(std::unique(m_dropped.begin(), m_dropped.end()), m_dropped.end());
            std::u16string what;
            for (std::size_t i = 0; i < m_dropped.size(); ++i)
                what += (i == 0 ? u"" : u", ") + FromUtf8(m_dropped[i]);
            m_rows.AddNote(FindingOnLine(m_line, what + u" dropped: a base has no place for them"));
        }
        AddBankQuestion(m_rows, std::move(m_question));
    }

    RowSink& m_rows;
    std::vector<std::string> m_path; // the open elements' local names, m_depth of them
    std::size_t m_depth = 0;
    std::string m_type; // of the open question; empty outside one
    int m_line = 0;
    BankQuestion m_question;
    std::vector<Answer> m_answers;
    std::vector<std::string> m_dropped;
    std::string m_format;
    std::string m_textFormat;
    std::string m_fraction;
    std::string m_text;
    Target m_target = Target::None;
    int m_categoryRound = 0;
    int m_tagRound = 0;
};

/** A text for the XML of a name: "&", "<", ">" as entities; what XML 1.0
 *  cannot hold as "?". */
std::string XmlEscaped(std::u16string_view text)
{
    std::string out;
    for (char c : ToUtf8(text, U'?')) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (byte < 0x20 && c != '\t' && c != '\n')
            out += '?';
        else
            out += c;
    }
    // U+FFFE and U+FFFF are no XML characters either.
    for (std::size_t at; (at = out.find("\xEF\xBF\xBE")) != std::string::npos ||
                         (at = out.find("\xEF\xBF\xBF")) != std::string::npos;)
        out.replace(at, 3, "?");
    return out;
}

/** A question's name: the start of its text, as long as Moodle's lists show. */
std::u16string_view Name(std::u16string_view question)
{
    constexpr std::size_t Length = 60;
    if (question.size() <= Length)
        return question;
    const bool pairCut = question[Length - 1] >= 0xD800 && question[Length - 1] <= 0xDBFF;
    return question.substr(0, pairCut ? Length - 1 : Length);
}

/** Whether the plain-text format carries `text` exactly: nothing that the
 *  reader trims, that XML 1.0 cannot hold or that it changes (CR). */
bool PlainCarries(std::u16string_view text)
{
    if (TrimmedText(text).size() != text.size() || HoldsLoneSurrogate(text))
        return false;
    return std::none_of(text.begin(), text.end(), [](char16_t c) {
        return (c < 0x20 && c != u'\t' && c != u'\n') || c == 0xFFFE || c == 0xFFFF;
    });
}

/** A question's or answer's format attribute and <text> element. */
std::string TextElement(std::u16string_view text)
{
    if (PlainCarries(text))
        return "format=\"plain_text\">\n      <text>" + XmlEscaped(text) + "</text>";
    return "format=\"html\">\n      <text><![CDATA[" + HtmlOfText(text) + "]]></text>";
}

} // namespace

void ReadMoodleXmlQuestions(InputStream& in, RowSink& rows)
{
    MoodleReader handler(rows);
    XmlReader reader(handler);
    handler.reader = &reader;
    try {
        reader.ReadAll(in);
    } catch (const XmlError& error) {
        Finding finding = FindingOnLine(error.Line(), error.Reason());
        finding.column = error.Column();
        rows.AddInputFinding(std::move(finding));
    }
}

bool LooksLikeXml(std::span<const std::uint8_t> content)
{
    std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos &&
           (text.substr(first, 5) == "<?xml" || text.substr(first, 5) == "<quiz");
}

Findings MoodleXmlUnwritable(const QuestionBase& base)
{
    return BankUnwritable(base, u"Moodle XML", [](std::u16string_view) { return std::u16string(); });
}

void WriteMoodleXmlQuestions(const QuestionBase& base, OutputStream& out)
{
    TableWriter writer(out);
    writer << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n";
    int category = 0;
    int number = 0;
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        const int round = BankRound(base, k);
        if (round != category) {
            writer
                << "<!-- question: " << std::to_string(number++) << "  -->\n"
                << "  <question type=\"category\">\n    <category>\n      <text>$course$/"
                << ToUtf8(RoundCategory(round))
                << "</text>\n    </category>\n    <info format=\"moodle_auto_format\">\n      <text></text>\n"
                   "    </info>\n    <idnumber></idnumber>\n  </question>\n\n";
            category = round;
        }
        const std::u16string_view question = base.Entry(first + FieldQuestion);
        // The elements that Moodle fills with its defaults when they are
        // missing (feedback, penalty, numbering) are left out: the file of a
        // full base stays well within what a table may be.
        writer << "<!-- question: " << std::to_string(number++) << "  -->\n"
               << "  <question type=\"multichoice\">\n    <name>\n      <text>" << XmlEscaped(Name(question))
               << "</text>\n    </name>\n    <questiontext " << TextElement(question)
               << "\n    </questiontext>\n    <single>true</single>\n"
                  "    <shuffleanswers>false</shuffleanswers>\n";
        const int correct = AnswerOfText(base.Entry(first + FieldCorrect));
        for (int n = 0; n < AnswersOfRound(round); ++n)
            writer << "    <answer fraction=\"" << (n == correct ? "100" : "0") << "\" "
                   << TextElement(base.Entry(first + FieldAnswer0 + n)) << "\n    </answer>\n";
        writer << "  </question>\n\n";
        writer.Step();
    }
    writer << "</quiz>\n";
    writer.Flush();
}

} // namespace vt

#include "tables/QuestionBank.h"
#include "tables/FileFormats.h"
#include "tables/FileStorage.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace vt;

namespace {

std::string WriteTemp(std::string_view name, std::string_view bytes)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("vt-bank-" + std::to_string(::getpid()) + "-" + std::string(name));
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path.string();
}

LoadedFile Load(std::string_view format, std::string_view bytes, const LoadOptions& options = {})
{
    const std::string path = WriteTemp("in", bytes);
    LoadedFile loaded = LoadFile(path, FormatNamed(format), options);
    std::filesystem::remove(path);
    return loaded;
}

std::string Save(const QuestionBase& base, std::string_view format, Findings* unwritable = nullptr)
{
    MemoryOutputStream out;
    Findings found = SaveTo(base, out, *FormatNamed(format));
    if (unwritable)
        *unwritable = found;
    return std::string(out.Bytes().begin(), out.Bytes().end());
}

// Question k as "round|question|answer/answer...|correct".
std::string Shown(const QuestionBase& base, int k)
{
    std::string text = ToUtf8(base.Entry(k * EntriesPerQuestion + FieldRound)) + "|" +
                       ToUtf8(base.Entry(k * EntriesPerQuestion + FieldQuestion)) + "|";
    const int used = AnswersOfRound(RoundOfText(base.Entry(k * EntriesPerQuestion + FieldRound)));
    for (int n = 0; n < used; ++n)
        text += (n ? "/" : "") + ToUtf8(base.Entry(k * EntriesPerQuestion + FieldAnswer0 + n));
    return text + "|" + ToUtf8(base.Entry(k * EntriesPerQuestion + FieldCorrect));
}

std::string AllShown(const LoadedFile& loaded)
{
    std::string text;
    for (int k = 0; k < loaded.base.QuestionCount(); ++k)
        text += (k ? "\n" : "") + Shown(loaded.base, k);
    return text;
}

std::string FindingsShown(const Findings& findings)
{
    std::string text;
    for (const Finding& finding : findings)
        text += (text.empty() ? "" : "\n") + ToUtf8(finding.Text(u"f"));
    return text;
}

QuestionBase BaseOf(const std::vector<QuestionRecord>& records)
{
    QuestionBase base;
    for (const QuestionRecord& record : records)
        base.AppendRecord(record);
    return base;
}

QuestionRecord Record(int round, std::u16string question, std::vector<std::u16string> answers, int correct)
{
    QuestionRecord record;
    record.round = Decimal(round);
    record.question = std::move(question);
    for (int n = 0; n < AnswerCount; ++n)
        record.answers[std::size_t(n)] = n < int(answers.size()) ? answers[std::size_t(n)] : u" ";
    record.correct = Decimal(correct);
    return record;
}

// Texts that each format must escape or encode, in every round.
QuestionBase TrickyBase()
{
    return BaseOf({
        Record(1, u"Небо?", {u"синее", u"зелёное"}, 0),
        Record(2, u"GIFT's ~ = # { } : \\ and 2+2=4?", {u"a~b", u"{c}", u"d#e:f"}, 2),
        Record(3, u"XML's <b>&amp; \"quotes\" 'and' ]]>", {u"<p>", u"&nbsp;", u"a & b", u"😀"}, 3),
        Record(5, u"Round five travels by category", {u"one", u"two", u"three", u"four", u"five"}, 4),
        Record(4, u"Round four, tab\tinside", {u"1", u"2.5", u"-3", u"x  y", u"ANSWER: A"}, 1),
        Record(5, u"Back to round five", {u"a", u"b", u"c", u"d", u"e"}, 0),
    });
}

TEST(QuestionBankTest, EveryFormatRoundTripsItsTexts)
{
    const QuestionBase base = TrickyBase();
    for (std::string_view format : {"moodle-xml", "gift"}) {
        Findings unwritable;
        const std::string text = Save(base, format, &unwritable);
        ASSERT_TRUE(unwritable.empty()) << format << ": " << FindingsShown(unwritable);
        const LoadedFile loaded = Load(format, text);
        EXPECT_EQ(FindingsShown(loaded.findings), "") << format;
        EXPECT_TRUE(loaded.notes.empty()) << format << ": " << FindingsShown(loaded.notes);
        ASSERT_EQ(loaded.base.QuestionCount(), base.QuestionCount()) << format;
        for (int k = 0; k < base.QuestionCount(); ++k)
            EXPECT_EQ(Shown(loaded.base, k), Shown(base, k)) << format << " question " << k;
    }
    // Aiken has no categories: a base of one round comes back with --round.
    QuestionBase fives = BaseOf({Record(5, u"Five?", {u"a", u"b", u"c", u"d", u"e"}, 3)});
    LoadOptions round5;
    round5.round = 5;
    EXPECT_EQ(AllShown(Load("aiken", Save(fives, "aiken"), round5)), "5|Five?|a/b/c/d/e|3");
    QuestionBase mixed =
        BaseOf({Record(1, u"One?", {u"a", u"b"}, 1), Record(4, u"Four?", {u"a", u"b", u"c", u"d", u"e"}, 4)});
    EXPECT_EQ(AllShown(Load("aiken", Save(mixed, "aiken"))), "1|One?|a/b|1\n4|Four?|a/b/c/d/e|4");
}

// Also the control characters and lone surrogates that only Moodle XML's
// character references carry.
TEST(QuestionBankTest, MoodleXmlCarriesEveryCodeUnit)
{
    const QuestionBase base =
        BaseOf({Record(1, std::u16string(u" lead  and trail\r\n\x01\xFFFF ") + char16_t(0xD800),
                       {u"\t", std::u16string(1, char16_t(0xDC00))}, 1)});
    const LoadedFile loaded = Load("moodle-xml", Save(base, "moodle-xml"));
    ASSERT_EQ(loaded.base.QuestionCount(), 1) << FindingsShown(loaded.findings);
    for (int e = 0; e < EntriesPerQuestion; ++e)
        EXPECT_EQ(loaded.base.Entry(e), base.Entry(e)) << "entry " << e;
}

struct ReadCase
{
    const char* format;
    const char* input;
    const char* questions; // as AllShown
    const char* findings;  // as FindingsShown
};

TEST(QuestionBankTest, ReadsQuestionsOrSaysWhyNot)
{
    const ReadCase cases[] = {
        // The answer count makes the round, a category or tag overrides it.
        {"gift",
         "Q1 {=a ~b}\n\nQ2 {~a =b ~c ~d}\n\n$CATEGORY: $course$/top/round 5\n\nQ3 {~a ~b ~c ~d =e}\n\n"
         "$CATEGORY: Other\n\nQ4 {~a ~b ~c ~d =e}",
         "1|Q1|a/b|0\n3|Q2|a/b/c/d|1\n5|Q3|a/b/c/d/e|4\n4|Q4|a/b/c/d/e|4", ""},
        {"gift", "// comment\n::T1:: [html]<p>a &amp; <b>b</b></p> {\n=\\{x\\} #right\n~%0%y\n~%100%z\n}", "",
         "f:2: 2 correct answers; a question of the game has one"},
        {"gift", "::T:: Q \\: x {~%100%a\n~b}\n\nMulti\nline {~a =b ####general}",
         "1|Q : x|a/b|0\n1|Multi\nline|a/b|1", ""},
        {"gift",
         "E {}\n\nTF {T}\n\nN {#3:1}\n\nS {=a =b}\n\nM {=a -> b =c -> d}\n\nW a {~x =y} b\n\nP {~%50%a "
         "=b}\n\n"
         "Six {=1 ~2 ~3 ~4 ~5 ~6}\n\nNone {~a ~b}",
         "",
         "f:1: an essay question, which the game does not have\nf:3: a true/false question, which the game "
         "does not "
         "have\nf:5: a numerical question, which the game does not have\nf:7: a short-answer question, which "
         "the game "
         "does not have\nf:9: a matching question, which the game does not have\nf:11: text after the "
         "answers: a "
         "missing-word question, which the game does not have\nf:13: answer 0 has the partial fraction 50%; "
         "a question "
         "of the game has one correct answer\nf:15: 6 answers: a question of the game has 2 to 5\nf:17: no "
         "correct answer"},
        {"aiken",
         "\xEF\xBB\xBFWhat?\r\nA. one\r\nB) two\r\nC. three\r\nANSWER: C\r\n\r\nNext\nline?\nA. x\nB. "
         "y\nANSWER: A\n",
         "2|What?|one/two/three|2\n1|Next line?|x/y|0", ""},
        {"aiken",
         "Q\nA. a\nC. b\nANSWER: A\n\nQ2\nA. a\nB. b\nANSWER: C\n\nQ3\nA. a\nB. b\n\nQ4\nA. a\nB. b\nANSWER: "
         "A",
         "",
         "f:1: option C on line 3 is out of order\nf:6: the answer \"C\" is not a letter of the options A to "
         "B\nf:11: "
         "the question ends without an \"ANSWER:\" line"},
        // A finding of the rules of the base, after the format's own.
        {"aiken",
         "Q\nA. a\nB. "
         "01234567890123456789012345678901234567890"
         "\nANSWER: A",
         "", "f:1: answer 1 is 41 code units long, at most 40 fit"},
        {"moodle-xml",
         "<quiz><question type='essay'><name><text>E</text></name></question>\n"
         "<question type='multichoice'><questiontext format='plain_text'><text>Q</text></questiontext>"
         "<answer fraction='50'><text>a</text></answer><answer fraction='50'><text>b</text></answer>"
         "</question>\n<question type='multichoice'><answer fraction='0'><text>a</text></answer>"
         "<answer fraction='0'><text>b</text></answer></question>\n<broken></quiz>",
         "",
         "f:1: a question of type \"essay\", which the game does not have (it has multichoice "
         "only)\nf:2: answer 0 has the fraction \"50\"; a question of the game has one correct answer (100) "
         "and wrong "
         "ones (0)\nf:3: no correct answer (fraction 100)\nf:4:11: mismatched tag"},
        {"moodle-xml", "<!DOCTYPE quiz [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><quiz>&e;</quiz>", "",
         "f:1:16: a document type declaration is not accepted"},
        {"moodle-xml", "<other/>", "", "f:1:1: the root element is <other>, not the <quiz> of Moodle XML"},
    };
    for (const ReadCase& c : cases) {
        const LoadedFile loaded = Load(c.format, c.input);
        EXPECT_EQ(AllShown(loaded), c.questions) << c.format << ": " << c.input;
        EXPECT_EQ(FindingsShown(loaded.findings), c.findings) << c.format << ": " << c.input;
    }
}

TEST(QuestionBankTest, SkipUnfitBuildsFromTheRestAndNotesWhatIsDropped)
{
    LoadOptions skip;
    skip.skipUnfit = true;
    const LoadedFile loaded =
        Load("gift", "A {=a ~b #why}\n\nA {=a ~b}\n\nB {}\n\nC {~a =b}\n\nD {~a =}\n\nE {=x ~y}", skip);
    EXPECT_EQ(AllShown(loaded), "1|A|a/b|0\n1|C|a/b|1\n1|E|x/y|0");
    EXPECT_EQ(FindingsShown(loaded.findings), "");
    EXPECT_EQ(FindingsShown(loaded.skipped),
              "f:3: the question text repeats line 1\nf:5: an essay question, which "
              "the game does not have\nf:9: answer 1 is empty; round 1 needs answers 0 to 1");
    EXPECT_EQ(FindingsShown(loaded.notes), "f:1: feedback dropped: a base has no place for it");
    // Without the option, nothing is built.
    EXPECT_EQ(Load("gift", "B {}\n\nC {~a =b}").base.QuestionCount(), 0);
}

TEST(QuestionBankTest, WritesNothingThatWouldNotComeBack)
{
    const QuestionBase base = BaseOf({
        Record(1, u" lead", {u"a", u"b"}, 0),
        Record(1, u"line\nbreak", {u"a", u"b "}, 0),
        Record(2, u"A. option-like", {u"a", u"b", u"c"}, 2),
        Record(5, u"five among others", {u"a", u"b", u"c", u"d", u"e"}, 0),
    });
    Findings aiken, gift, xml;
    Save(base, "aiken", &aiken);
    Save(base, "gift", &gift);
    Save(base, "moodle-xml", &xml);
    EXPECT_EQ(
        FindingsShown(aiken),
        "f: question 0: the question text begins or ends with a blank, which Aiken does not keep\n"
        "f: question 1: the question text holds a line break, which an Aiken line cannot\n"
        "f: question 1: answer 1 begins or ends with a blank, which Aiken does not keep\n"
        "f: question 2: the question text reads as an option or \"ANSWER:\" line in Aiken\n"
        "f: question 3: round 5 cannot travel in Aiken beside other rounds: it has no categories, and five "
        "answers read back as round 4");
    EXPECT_EQ(gift.size(), 3u) << FindingsShown(gift);
    QuestionBase odd = BaseOf({Record(1, u"x", {u"a", u"b"}, 3)});
    odd.AppendRecord(Record(1, u"y", {u"a", u"b"}, 0));
    odd.Replace(EntriesPerQuestion + FieldRound, u"7");
    Save(odd, "moodle-xml", &xml);
    EXPECT_EQ(FindingsShown(xml),
              "f: question 0: correct answer \"3\" is not 0 to 1, the answers of round 1\n"
              "f: question 1: round \"7\" is not 1 to 5, and Moodle XML carries no other");
}

// A bank as Moodle exports it: markup, feedback, an image, a tag, other types.
TEST(QuestionBankTest, ReadsAMoodleExport)
{
    LoadOptions skip;
    skip.skipUnfit = true;
    const LoadedFile loaded = LoadFile(TESTDATA "/moodle-export.xml", nullptr, skip);
    EXPECT_EQ(loaded.format->name, "moodle-xml");
    EXPECT_EQ(AllShown(loaded), "2|Which city is the capital of France?|Lyon/Paris/Marseille & Nice|1\n"
                                "5|Whose flag is this?|Italy/Ireland/Mexico/India/Hungary|0");
    EXPECT_EQ(FindingsShown(loaded.notes),
              "f:15: feedback dropped: a base has no place for them\n"
              "f:64: feedback, hints, images and files dropped: a base has no place for them");
    EXPECT_EQ(
        FindingsShown(loaded.skipped),
        "f:135: a question of type \"truefalse\", which the game does not have (it has multichoice only)\n"
        "f:164: answer 0 has the fraction \"50\"; a question of the game has one correct answer (100) and "
        "wrong "
        "ones (0)");
}

TEST(QuestionBankTest, TxtIsAikenByContentAndCsvOtherwise)
{
    const std::string aiken = "Q\nA. a\nB. b\nANSWER: B\n";
    const std::string csv = "round,question,answer0,answer1,correct\n1,Q,a,b,0\n";
    auto bytes = [](const std::string& s) {
        return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    EXPECT_EQ(TableFormatOfFile("q.TXT", bytes(aiken)).name, "aiken");
    EXPECT_EQ(TableFormatOfFile("q.txt", bytes(csv)).name, "csv");
    EXPECT_EQ(TableFormatOfFile("q.txt", bytes(std::string("[1]"))).name, "csv");
    EXPECT_EQ(TableFormatOfFile("-", bytes(std::string("<?xml version='1.0'?><quiz/>"))).name, "moodle-xml");
    EXPECT_EQ(TableFormatOfFile("q.gift", bytes(csv)).name, "gift");
    EXPECT_EQ(FormatOfExtension("q.txt")->name, "aiken");
}

} // namespace

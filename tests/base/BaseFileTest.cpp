#include "tests/base/TestStreams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace vt;

namespace {

QuestionRecord SkyQuestion()
{
    return {u"3", u"Небо?", {u"синее", u"зелёное", u"красное", u"жёлтое", u" "}, u"0"};
}

/** The code unit stored at record position p (from 1) of record k. */
char16_t StoredUnit(const Bytes& file, std::size_t k, std::size_t p)
{
    const std::size_t at = 10 + 914 * k + 2 * (p - 1);
    return static_cast<char16_t>(file.at(at) | (file.at(at + 1) << 8));
}

/** The file bytes of one record given its 457 code units before scrambling. */
Bytes RawRecord(std::u16string units)
{
    EXPECT_EQ(units.size(), 457u);
    return LittleEndian(ScrambleRecord(std::move(units)));
}

/** 457 unscrambled code units: round, question, five answers, index. */
std::u16string Units(char16_t round, std::u16string_view question, std::u16string_view answer,
                     char16_t correct)
{
    std::u16string units(1, round);
    units += PadField(std::u16string(question), 255);
    for (int i = 0; i < 5; ++i)
        units += PadField(std::u16string(answer), 40);
    units += correct;
    return units;
}

TEST(BaseFileExample, WritesTheWorkedExampleByteForByte)
{
    const Bytes file = WriteToBytes(BaseOf({SkyQuestion()}));
    ASSERT_EQ(file.size(), 924u);
    const Bytes header{0x31, 0x00, 0x7C, 0x00, 0x7C, 0x00, 0x7C, 0x00, 0x7C, 0x00};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 10), header);
    const Bytes start{0x32, 0x00, 0x1F, 0x04, 0x36, 0x04, 0x35, 0x04, 0x3B,
                      0x04, 0x39, 0x00, 0x7C, 0x00, 0x7D, 0x00, 0x7E, 0x00};
    EXPECT_EQ(Bytes(file.begin() + 10, file.begin() + 28), start);

    const std::pair<std::size_t, char16_t> stored[] = {
        {1, 0x0032},   {2, 0x041F},   {3, 0x0436},   {4, 0x0435},   {5, 0x043B},   {6, 0x0039},
        {7, 0x007C},   {8, 0x007D},   {9, 0x007E},   {256, 0x0078}, {257, 0x0444}, {258, 0x043E},
        {417, 0x0024}, {418, 0x0079}, {455, 0x007C}, {456, 0x007D}, {457, 0x0030},
    };
    for (auto [position, unit] : stored)
        EXPECT_EQ(StoredUnit(file, 0, position), unit) << "position " << position;
}

TEST(BaseFileExample, ReadsTheWorkedExampleBack)
{
    const Bytes file = WriteToBytes(BaseOf({SkyQuestion()}));
    QuestionBase base;
    EXPECT_EQ(ReadInto(file, base), u"");
    ASSERT_EQ(base.EntryCount(), 8);
    EXPECT_EQ(base.Record(0), SkyQuestion());
}

struct HeaderCase
{
    std::u16string header;
    std::int32_t count;
};

TEST(BaseFileHeader, DecodesCountTexts)
{
    const HeaderCase cases[] = {
        {u"3||||", 3}, {u"12345", 12345}, {u"  12|", 12}, {u"$1F||", 31}, {u"0x1f|", 31},
        {u"0||||", 0}, {u"-2|||", -2},    {u"007||", 7},  {u"+5|9|", 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHeader(c.header), c.count) << ToUtf8(c.header);
}

TEST(BaseFileHeader, RefusesCountTextsThatAreNotNumbers)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"     ", u"     "}, {u"7    ", u"7    "}, {u"|||||", u""},
        {u"1 2||", u"1 2"},   {u"abc||", u"abc"},   {u"--1||", u"--1"},
    };
    for (const auto& [header, text] : cases) {
        try {
            DecodeHeader(header);
            ADD_FAILURE() << "no error for " << ToUtf8(header);
        } catch (const Error& e) {
            EXPECT_EQ(e.Message(), u"''" + text + u"'' is not a valid integer value");
        }
    }
}

TEST(BaseFileHeader, EncodesCountsWithinTheFormat)
{
    EXPECT_EQ(EncodeHeader(0), u"0||||");
    EXPECT_EQ(EncodeHeader(12345), u"12345");
    EXPECT_EQ(EncodeHeader(99999), u"99999");
    EXPECT_THROW(EncodeHeader(100000), Error);
    EXPECT_THROW(EncodeHeader(-1), Error);
}

TEST(BaseFileEdges, EmptyBaseIsTheHeaderAlone)
{
    const Bytes file = WriteToBytes(QuestionBase());
    EXPECT_EQ(file, (Bytes{0x30, 0x00, 0x7C, 0x00, 0x7C, 0x00, 0x7C, 0x00, 0x7C, 0x00}));
    QuestionBase base;
    EXPECT_EQ(ReadInto(file, base), u"");
    EXPECT_EQ(base.EntryCount(), 0);
}

TEST(BaseFileEdges, FullWidthFieldsHaveNoBarAndReadBackWhole)
{
    const std::u16string question(255, u'Щ');
    const std::u16string answer(40, u'ю');
    const QuestionRecord record{u"5", question, {answer, answer, answer, answer, answer}, u"4"};
    const Bytes file = WriteToBytes(BaseOf({record}));
    ASSERT_EQ(file.size(), 924u);
    for (std::size_t p = 1; p <= 457; ++p)
        EXPECT_NE(StoredUnit(file, 0, p) ^ (p < 457 ? p % 7 : 0), u'|') << "position " << p;
    QuestionBase base;
    EXPECT_EQ(ReadInto(file, base), u"");
    EXPECT_EQ(base.Record(0), record);
}

TEST(BaseFileEdges, BarInsideTextIsWrittenAndEndsTheTextOnReading)
{
    const QuestionRecord record{u"1", u"до|после", {u"a|b", u"|", u" ", u" ", u" "}, u"1"};
    const Bytes file = WriteToBytes(BaseOf({record}));
    EXPECT_EQ(StoredUnit(file, 0, 4), u'|' ^ 4) << "the bar is scrambled like any code unit";
    EXPECT_EQ(StoredUnit(file, 0, 5), u'п' ^ 5);
    QuestionBase base;
    EXPECT_EQ(ReadInto(file, base), u"");
    const QuestionRecord expected{u"1", u"до", {u"a", u"", u" ", u" ", u" "}, u"1"};
    EXPECT_EQ(base.Record(0), expected);
}

// The first bar is looked for eight code units at a time: it must be found
// in every lane of every step and in the units after the last whole step.
TEST(BaseFileEdges, TextEndsAtTheFirstBarWhereverItLies)
{
    QuestionBase written;
    for (std::size_t p = 0; p <= 255; ++p) {
        std::u16string question(255, u'в');
        std::u16string answer(40, u'z');
        if (p < question.size())
            question[p] = u'|';
        if (p < answer.size())
            answer[p] = u'|';
        written.AppendRecord({u"4", question, {answer, answer, answer, answer, answer}, u"1"});
    }
    QuestionBase base;
    ASSERT_EQ(ReadInto(WriteToBytes(written), base), u"");
    for (std::size_t p = 0; p <= 255; ++p) {
        const QuestionRecord read = base.Record(static_cast<int>(p));
        EXPECT_EQ(read.question.size(), p) << "bar at " << p;
        EXPECT_EQ(read.answers[4].size(), std::min<std::size_t>(p, 40)) << "bar at " << p;
    }
}

TEST(BaseFileEdges, BlankAndEmptyAnswersReadBackAsTheyWere)
{
    const QuestionRecord record{u"4", u"Q", {u"", u" ", u"", u" ", u"  "}, u"2"};
    QuestionBase base;
    EXPECT_EQ(ReadInto(WriteToBytes(BaseOf({record})), base), u"");
    EXPECT_EQ(base.Record(0), record);
}

TEST(BaseFileEdges, ZeroAndNegativeCountsReadNothing)
{
    for (std::u16string header : {u"0||||", u"-2|||", u"-99||"}) {
        Bytes file = LittleEndian(header);
        Append(file, RawRecord(Units(u'1', u"q", u"a", u'0')));
        FailingInputStream in(file, file.size());
        QuestionBase base;
        EXPECT_NO_THROW(ReadBase(in, base));
        EXPECT_EQ(base.EntryCount(), 0);
        EXPECT_EQ(in.requests, std::vector<std::size_t>{10}) << "nothing after the header is read";
    }
}

TEST(BaseFileEdges, ShortFilesKeepBlanksInTheHeader)
{
    struct Case
    {
        Bytes file;
        std::u16string error;
    };
    const Case cases[] = {
        {{0x37, 0x00, 0x7C, 0x00}, u"Stream read error"},
        {{0x37, 0x00, 0x7C}, u"Stream read error"}, // the missing high byte stays 00
        {{0x37, 0x00}, u"''7    '' is not a valid integer value"},
        {{}, u"''     '' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        QuestionBase base;
        EXPECT_EQ(ReadInto(c.file, base), c.error) << c.file.size() << " bytes";
        EXPECT_EQ(base.EntryCount(), 0);
    }
}

TEST(BaseFileEdges, CountAboveTheRecordsKeepsTheCompleteOnes)
{
    Bytes file = LittleEndian(u"3||||");
    Append(file, RawRecord(Units(u'1', u"first", u"a", u'0')));
    Append(file, RawRecord(Units(u'2', u"second", u"b", u'1')));
    const Bytes half = RawRecord(Units(u'3', u"third", u"c", u'2'));
    file.insert(file.end(), half.begin(), half.begin() + 913);
    QuestionBase base;
    base.AppendRecord(SkyQuestion()); // reading appends; it does not empty the base
    EXPECT_EQ(ReadInto(file, base), u"Stream read error");
    ASSERT_EQ(base.EntryCount(), 24);
    EXPECT_EQ(base.Record(0), SkyQuestion());
    EXPECT_EQ(base.Entry(9), u"first");
    EXPECT_EQ(base.Entry(17), u"second");
}

TEST(BaseFileEdges, CountBelowTheRecordsReadsOnlyThatMany)
{
    Bytes file = LittleEndian(u"1||||");
    Append(file, RawRecord(Units(u'1', u"first", u"a", u'0')));
    Append(file, RawRecord(Units(u'2', u"second", u"b", u'1')));
    FailingInputStream in(file, file.size());
    QuestionBase base;
    ReadBase(in, base);
    EXPECT_EQ(base.EntryCount(), 8);
    EXPECT_EQ(in.Position(), 924u) << "bytes after the counted records are never read";
}

TEST(BaseFileEdges, RoundAndIndexUnitsAreTakenAsStored)
{
    for (char16_t round : {u'|', u'Ж', u'x', u' ', u'\0', char16_t(0xD800), char16_t(0xFFFF)}) {
        Bytes file = LittleEndian(u"1||||");
        Append(file, RawRecord(Units(round, u"q", u"a", u'|')));
        QuestionBase base;
        EXPECT_EQ(ReadInto(file, base), u"");
        ASSERT_EQ(base.EntryCount(), 8);
        EXPECT_EQ(base.Entry(0), std::u16string(1, round)) << int(round);
        EXPECT_EQ(base.Entry(7), u"") << "a stored bar as the index reads as the empty text";
    }
    Bytes file = LittleEndian(u"1||||");
    Append(file, RawRecord(Units(u'9', u"q", u"a", u'Z')));
    QuestionBase base;
    ReadInto(file, base);
    EXPECT_EQ(base.Entry(7), u"Z");
}

TEST(BaseFileWrite, NotifiesTheLengthAfterEachRecord)
{
    const QuestionBase base = BaseOf({SkyQuestion(), SkyQuestion(), SkyQuestion()});
    MemoryOutputStream out;
    std::vector<std::pair<int, std::size_t>> calls;
    WriteBase(base, out, [&](int length) { calls.emplace_back(length, out.Bytes().size()); });
    const std::vector<std::pair<int, std::size_t>> expected{{457, 924}, {457, 1838}, {457, 2752}};
    EXPECT_EQ(calls, expected) << "each notification follows its record's bytes";
}

TEST(BaseFileWrite, StreamFailurePassesThroughAfterTheBytesItTook)
{
    const QuestionBase base = BaseOf({SkyQuestion(), SkyQuestion(), SkyQuestion()});
    for (std::size_t limit : {0u, 9u, 10u, 923u, 924u, 2000u}) {
        FailingOutputStream out(limit);
        int notified = 0;
        try {
            WriteBase(base, out, [&](int) { ++notified; });
            ADD_FAILURE() << "no error at limit " << limit;
        } catch (const Error& e) {
            EXPECT_EQ(e.Message(), u"Write failed");
        }
        const std::size_t records = limit < 10 ? 0 : (limit - 10) / 914;
        EXPECT_EQ(out.Written().size(), limit < 10 ? 0 : 10 + 914 * records);
        EXPECT_EQ(notified, static_cast<int>(records));
    }
}

TEST(BaseFileRead, ReadErrorKeepsTheRecordsBeforeIt)
{
    QuestionBase source;
    for (int k = 0; k < 4; ++k)
        source.AppendRecord({u"2", u"Вопрос " + IntToStr(k), {u"да", u"нет", u"может", u" ", u" "}, u"1"});
    const Bytes file = WriteToBytes(source);
    // One request per record: an error inside record k keeps records 0 to k-1.
    for (std::size_t limit : {0u, 9u, 10u, 11u, 923u, 924u, 925u, 2752u, 3666u}) {
        FailingInputStream in(file, limit);
        QuestionBase base;
        std::u16string error;
        try {
            ReadBase(in, base);
        } catch (const Error& e) {
            error = e.Message();
        }
        const std::size_t complete = limit < 10 ? 0 : (limit - 10) / 914;
        EXPECT_EQ(base.EntryCount(), static_cast<int>(8 * complete)) << "limit " << limit;
        if (limit < 10)
            EXPECT_EQ(error, u"''     '' is not a valid integer value");
        else
            EXPECT_EQ(error, complete == 4 ? u"" : u"Stream read error") << "limit " << limit;
        for (std::size_t k = 0; k < complete; ++k)
            EXPECT_EQ(base.Record(static_cast<int>(k)), source.Record(static_cast<int>(k)));
    }
}

} // namespace

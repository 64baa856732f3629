#include "tests/base/TestStreams.h"

#include <gtest/gtest.h>

#include <random>

using namespace vt;

namespace {

// Text generator: Latin, Cyrillic, other BMP scripts, blanks and non-BMP
// characters as surrogate pairs; never a bar, which the format cannot hold.
class TextMaker
{
public:
    explicit TextMaker(unsigned seed) : m_random(seed) {}

    std::u16string Text(std::size_t maxLength)
    {
        const std::size_t length = Below(maxLength + 1);
        std::u16string text;
        while (text.size() < length) {
            const char32_t c = Character();
            if (c > 0xFFFF) {
                if (text.size() + 2 > length)
                    continue;
                text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                text += static_cast<char16_t>(c);
            }
        }
        return text;
    }

    std::size_t Below(std::size_t n)
    {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }

private:
    char32_t Character()
    {
        switch (Below(6)) {
        case 0: {
            const char32_t c = static_cast<char32_t>(u' ' + Below(95));
            return c == U'|' ? U'!' : c;
        }
        case 1:
        case 2:
            return static_cast<char32_t>(0x0400 + Below(0x60)); // Cyrillic with Ё and ё
        case 3:
            return static_cast<char32_t>(Below(2) ? 0x4E00 + Below(0x5000) : 0x0391 + Below(0x30));
        case 4:
            return U' ';
        default:
            return static_cast<char32_t>(0x1F300 + Below(0x300)); // outside the BMP
        }
    }

    std::mt19937 m_random;
};

QuestionRecord RandomRecord(TextMaker& make)
{
    QuestionRecord record;
    const std::size_t round = 1 + make.Below(5);
    record.round = std::u16string(1, static_cast<char16_t>(u'0' + round));
    record.question = make.Text(255);
    const std::size_t used = round >= 4 ? 5 : round + 1;
    for (std::size_t i = 0; i < AnswerCount; ++i)
        record.answers[i] = i < used ? make.Text(40) : u" ";
    record.correct = std::u16string(1, static_cast<char16_t>(u'0' + make.Below(used)));
    return record;
}

TEST(BaseRoundTrip, GeneratedBasesReadBackEntryForEntry)
{
    TextMaker make(20240611);
    for (int run = 0; run < 150; ++run) {
        const std::size_t n = run < 3 ? static_cast<std::size_t>(run) : make.Below(40);
        QuestionBase source;
        for (std::size_t k = 0; k < n; ++k)
            source.AppendRecord(RandomRecord(make));

        const Bytes file = WriteToBytes(source);
        ASSERT_EQ(file.size(), 10 + 914 * n);

        QuestionBase read;
        ASSERT_EQ(ReadInto(file, read), u"");
        ASSERT_EQ(read.EntryCount(), source.EntryCount());
        for (int e = 0; e < source.EntryCount(); ++e)
            ASSERT_EQ(read.Entry(e), source.Entry(e)) << "run " << run << " entry " << e;
    }
}

TEST(BaseRoundTrip, RecordsDecodeToWhatWasEncoded)
{
    TextMaker make(99);
    for (int i = 0; i < 500; ++i) {
        const QuestionRecord record = RandomRecord(make);
        ASSERT_EQ(DecodeRecord(EncodeRecord(record).data()), record);
    }
}

} // namespace

#pragma once

#include "base/BaseFormat.h"
#include "base/QuestionBase.h"
#include "text/IntText.h"

#include <QByteArray>
#include <QString>

#include <random>

using namespace vt;

// Bases as the editor's "Add Question" makes them, and their file bytes.

inline QuestionRecord EditorQuestion(int round, std::u16string question,
                                     std::array<std::u16string, 5> answers, int correct)
{
    QuestionRecord record;
    record.round = std::u16string(1, char16_t(u'0' + round));
    record.question = std::move(question);
    for (int n = 0; n < AnswerCount; ++n)
        record.answers[std::size_t(n)] = RoundUsesAnswer(round, n) ? answers[std::size_t(n)] : u" ";
    record.correct = std::u16string(1, char16_t(u'0' + correct));
    return record;
}

inline QByteArray FileBytes(const QuestionBase& base)
{
    MemoryOutputStream out;
    WriteBase(base, out);
    return QByteArray(reinterpret_cast<const char*>(out.Bytes().data()), qsizetype(out.Bytes().size()));
}

/** The header and the given records, as raw file bytes (records need not be
 *  valid questions, and their number need not match the count). */
inline QByteArray RawFile(int headerCount, const std::vector<QuestionRecord>& records)
{
    QByteArray bytes;
    auto put = [&](const std::u16string& text) {
        for (char16_t unit : text) {
            bytes.append(char(unit & 0xFF));
            bytes.append(char(unit >> 8));
        }
    };
    put(EncodeHeader(headerCount));
    for (const auto& record : records) {
        const RecordBytes encoded = EncodeRecord(record);
        bytes.append(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
    }
    return bytes;
}

/** A text of `length` code units drawn from letters, digits, Cyrillic,
 *  punctuation that CSV and JSON must quote or escape, blanks and a character
 *  outside the BMP (two code units); never a bar. */
inline std::u16string RandomText(std::mt19937& random, std::size_t length)
{
    static const std::u16string alphabet = u"abcXYZ019 ,;\"'\\\tабвгдеёжЩЪЫЭЮЯ?!.:-()=+<>&";
    std::u16string text;
    while (text.size() < length) {
        if (text.size() + 2 <= length && random() % 23 == 0) {
            text += u"\U0001F600";
            continue;
        }
        text += alphabet[random() % alphabet.size()];
    }
    return text;
}

/** `count` questions of every round, lengths up to the format's limits,
 *  question texts unique; what an operator could type into the editor. */
inline QuestionBase RandomEditorBase(unsigned seed, int count)
{
    std::mt19937 random(seed);
    QuestionBase base;
    for (int k = 0; k < count; ++k) {
        const int round = 1 + int(random() % 5);
        std::u16string question = RandomText(random, 1 + random() % 240) + u"#" + IntToStr(k);
        if (k % 17 == 0) { // a text of the full 255 code units
            const std::u16string tag = u"#" + IntToStr(k);
            question = RandomText(random, 255 - tag.size()) + tag;
        }
        std::array<std::u16string, 5> answers;
        for (auto& answer : answers)
            answer = RandomText(random, 1 + random() % 40);
        if (k % 11 == 0)
            answers[0] = u" "; // one blank is a filled answer
        const int correct = int(random() % std::uint32_t(AnswersOfRound(round)));
        base.AppendRecord(EditorQuestion(round, std::move(question), answers, correct));
    }
    return base;
}

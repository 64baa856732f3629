// Writes and reads a base of 99,999 questions in memory and sets each time
// beside a plain memcpy of the same number of bytes into fresh memory.
// Counters: op_ms and memcpy_ms per iteration, and ratio = op / memcpy.

#include "base/BaseFormat.h"
#include "base/ByteStream.h"
#include "base/QuestionBase.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>

using namespace vt;

namespace {

using Clock = std::chrono::steady_clock;

const char16_t* const Words[] = {
    u"какой",   u"город",      u"является",   u"столицей",   u"России",  u"сколько",      u"планет",
    u"в",       u"Солнечной",  u"системе",    u"кто",        u"написал", u"роман",        u"Война",
    u"и",       u"мир",        u"году",       u"была",       u"открыта", u"Америка",      u"самая",
    u"длинная", u"река",       u"Европы",     u"химический", u"элемент", u"обозначается", u"буквой",
    u"на",      u"каком",      u"континенте", u"находится",  u"пустыня", u"Сахара",       u"что",
    u"такое",   u"фотосинтез", u"ёлка",       u"жёлтый",     u"Пушкин",  u"Менделеев",    u"Волга",
};

std::u16string Sentence(std::mt19937& random, std::size_t minLength, std::size_t maxLength)
{
    const std::size_t target = std::uniform_int_distribution<std::size_t>(minLength, maxLength)(random);
    std::u16string text;
    while (text.size() < target) {
        if (!text.empty())
            text += u' ';
        text += Words[random() % std::size(Words)];
    }
    text.resize(std::min(text.size(), maxLength));
    return text;
}

const QuestionBase& SampleBase()
{
    static const QuestionBase base = [] {
        std::mt19937 random(1);
        QuestionBase made;
        made.Reserve(static_cast<std::size_t>(MaxBaseQuestions) * EntriesPerQuestion);
        for (int k = 0; k < MaxBaseQuestions; ++k) {
            const int round = 1 + k % 5;
            QuestionRecord record;
            record.round = std::u16string(1, static_cast<char16_t>(u'0' + round));
            record.question = Sentence(random, 40, 200) + u"?";
            const int used = AnswersOfRound(round);
            for (int i = 0; i < AnswerCount; ++i)
                record.answers[static_cast<std::size_t>(i)] = i < used ? Sentence(random, 4, 40) : u" ";
            record.correct = std::u16string(1, static_cast<char16_t>(u'0' + k % used));
            made.AppendRecord(std::move(record));
        }
        return made;
    }();
    return base;
}

const std::vector<std::uint8_t>& SampleFile()
{
    static const std::vector<std::uint8_t> file = [] {
        MemoryOutputStream out;
        WriteBase(SampleBase(), out);
        return out.Bytes();
    }();
    return file;
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The plain copy that an operation is measured against.
double TimeCopy(const std::vector<std::uint8_t>& source)
{
    const auto start = Clock::now();
    std::unique_ptr<std::uint8_t[]> fresh(new std::uint8_t[source.size()]);
    std::memcpy(fresh.get(), source.data(), source.size());
    benchmark::DoNotOptimize(fresh.get());
    benchmark::ClobberMemory();
    return Seconds(Clock::now() - start);
}

void Report(benchmark::State& state, double opTotal, double copyTotal, std::size_t bytes)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["op_ms"] = opTotal / n * 1000;
    state.counters["memcpy_ms"] = copyTotal / n * 1000;
    state.counters["ratio"] = opTotal / copyTotal;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void WriteBaseInMemory(benchmark::State& state)
{
    const QuestionBase& base = SampleBase();
    const auto& file = SampleFile();
    double opTotal = 0, copyTotal = 0;
    for (auto _ : state) {
        MemoryOutputStream out;
        const auto start = Clock::now();
        WriteBase(base, out);
        const double op = Seconds(Clock::now() - start);
        benchmark::DoNotOptimize(out.Bytes().data());
        opTotal += op;
        copyTotal += TimeCopy(file);
        state.SetIterationTime(op);
    }
    Report(state, opTotal, copyTotal, file.size());
}

void ReadBaseFromMemory(benchmark::State& state)
{
    const auto& file = SampleFile();
    double opTotal = 0, copyTotal = 0;
    for (auto _ : state) {
        QuestionBase base;
        MemoryInputStream in(file);
        const auto start = Clock::now();
        ReadBase(in, base);
        const double op = Seconds(Clock::now() - start);
        if (base.QuestionCount() != MaxBaseQuestions)
            state.SkipWithError("not every question was read");
        opTotal += op;
        copyTotal += TimeCopy(file);
        state.SetIterationTime(op);
    }
    Report(state, opTotal, copyTotal, file.size());
}

} // namespace

BENCHMARK(WriteBaseInMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ReadBaseFromMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Loads a 99,999-question base file into the main window (base and list) and
// saves it again, beside a raw read and a raw write of the same file.
// Counters: op_ms and raw_ms per iteration, and ratio = op / raw.

#include "base/BaseFormat.h"
#include "base/ByteStream.h"
#include "base/QuestionBase.h"
#include "bench/RawFileWork.h"
#include "main/FileDialog.h"
#include "main/QuestionList.h"
#include "main/TF.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace vt;

namespace {

using Clock = std::chrono::steady_clock;

class FixedDialog : public FileDialog
{
public:
    bool Execute() override { return true; }
};

std::u16string Words(std::mt19937& random, std::size_t minLength, std::size_t maxLength)
{
    static const char16_t* const words[] = {u"какой",  u"город", u"является", u"столицей", u"сколько",
                                            u"планет", u"роман", u"Волга",    u"жёлтый",   u"элемент",
                                            u"мир",    u"самая", u"река",     u"Европы",   u"Пушкин"};
    const std::size_t target = std::uniform_int_distribution<std::size_t>(minLength, maxLength)(random);
    std::u16string text;
    while (text.size() < target)
        text += (text.empty() ? u"" : u" ") + std::u16string(words[random() % std::size(words)]);
    text.resize(std::min(text.size(), maxLength));
    return text;
}

struct Fixture
{
    QTemporaryDir dir;
    QString path;
    std::size_t bytes = 0;

    Fixture()
    {
        std::mt19937 random(7);
        QuestionBase base;
        for (int k = 0; k < MaxBaseQuestions; ++k) {
            const int round = 1 + k % 5;
            QuestionRecord record;
            record.round = std::u16string(1, static_cast<char16_t>(u'0' + round));
            record.question = Words(random, 40, 200) + u"?";
            for (int i = 0; i < AnswerCount; ++i)
                record.answers[static_cast<std::size_t>(i)] =
                    i < AnswersOfRound(round) ? Words(random, 4, 40) : u" ";
            record.correct = u"0";
            base.AppendRecord(std::move(record));
        }
        MemoryOutputStream out;
        WriteBase(base, out);
        bytes = out.Bytes().size();
        path = dir.filePath(QStringLiteral("big.dat"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(reinterpret_cast<const char*>(out.Bytes().data()), static_cast<qint64>(bytes));
    }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

void LoadIntoWindow(benchmark::State& state)
{
    Fixture& f = Shared();
    TF window;
    window.OpenDialog = std::make_unique<FixedDialog>();
    window.OpenDialog->FileName = f.path;
    double op = 0, raw = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        window.btnLoadClick();
        op += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        raw += RawReadMs(f.path, f.bytes);
    }
    if (window.qlist->Lines()->Count() != MaxBaseQuestions)
        state.SkipWithError("the list was not rebuilt");
    state.counters["op_ms"] = op / static_cast<double>(state.iterations());
    state.counters["raw_ms"] = raw / static_cast<double>(state.iterations());
    state.counters["ratio"] = op / raw;
}

void SaveFromWindow(benchmark::State& state)
{
    Fixture& f = Shared();
    TF window;
    window.OpenDialog = std::make_unique<FixedDialog>();
    window.OpenDialog->FileName = f.path;
    window.btnLoadClick();
    window.SaveDialog = std::make_unique<FixedDialog>();
    window.SaveDialog->FileName = f.dir.filePath(QStringLiteral("saved.dat"));
    const std::vector<char> data(f.bytes, 'x');
    const QString rawPath = f.dir.filePath(QStringLiteral("raw.dat"));
    double op = 0, raw = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        window.btnSaveClick();
        op += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        raw += RawWriteMs(rawPath, data);
    }
    state.counters["op_ms"] = op / static_cast<double>(state.iterations());
    state.counters["raw_ms"] = raw / static_cast<double>(state.iterations());
    state.counters["ratio"] = op / raw;
}

BENCHMARK(LoadIntoWindow)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SaveFromWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

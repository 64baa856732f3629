// Timings of "vertalina-base export" and "build" on a full base of 99,999
// questions, through files as the program runs them.
#include "tests/support/CliRunner.h"
#include "tests/support/CliTestBases.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace vt;

namespace {

QTemporaryDir* g_dir = nullptr;

QString Path(const char* name)
{
    return g_dir->filePath(QLatin1String(name));
}

void RunOrFail(benchmark::State& state, const QStringList& arguments)
{
    const CliRun run = RunProgram(arguments);
    if (run.status != 0)
        state.SkipWithError(run.err.constData());
}

// The full base and its exports, made once.
void Prepare()
{
    QFile file(Path("full.dat"));
    file.open(QIODevice::WriteOnly);
    file.write(FileBytes(RandomEditorBase(1, 99999)));
    file.close();
    RunProgram({"export", Path("full.dat"), "-o", Path("full.csv")});
    RunProgram({"export", "--format", "json", Path("full.dat"), "-o", Path("full.json")});
}

void BM_ExportCsv(benchmark::State& state)
{
    for (auto _ : state)
        RunOrFail(state, {"export", Path("full.dat"), "-o", Path("out.csv")});
}

void BM_ExportJson(benchmark::State& state)
{
    for (auto _ : state)
        RunOrFail(state, {"export", "--format", "json", Path("full.dat"), "-o", Path("out.json")});
}

void BM_BuildCsv(benchmark::State& state)
{
    for (auto _ : state)
        RunOrFail(state, {"build", Path("full.csv"), "-o", Path("out.dat")});
}

void BM_BuildJson(benchmark::State& state)
{
    for (auto _ : state)
        RunOrFail(state, {"build", Path("full.json"), "-o", Path("out.dat")});
}

void BM_Check(benchmark::State& state)
{
    for (auto _ : state)
        RunOrFail(state, {"check", Path("full.dat")});
}

BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportJson)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BuildCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BuildJson)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    Prepare();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

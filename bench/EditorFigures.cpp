// Prints the editor's figures at the format's limit, side by side in one run:
// resident memory of loads (from the process's own VmRSS/VmHWM), load into the
// shown window against a raw read of the same file, save against a raw write
// plus fsync, and add, replace and reopen at 100,000 questions with the
// repaint. A report only: it never fails.
//
//   QT_QPA_PLATFORM=offscreen ./editor_figures [runs]
//
// With VT_PAINT_TIMES=N in the environment it also lists, for the N slowest
// commands of each kind, how long the command took before its repaint and
// each paint event of the repaint, widget by widget.

#include "base/BaseFormat.h"
#include "base/ByteStream.h"
#include "base/QuestionBase.h"
#include "bench/RawFileWork.h"
#include "main/EditorFields.h"
#include "main/FileDialog.h"
#include "main/QuestionList.h"
#include "main/TF.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

using namespace vt;

namespace {

using Clock = std::chrono::steady_clock;

class FixedDialog : public FileDialog
{
public:
    bool Execute() override { return true; }
};

// CPU time of the whole process (the toolkit's helper threads included), in
// ms: on a machine shared with other work it shows what a command costs,
// where the wall time shows what it waited too.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// CPU time of the calling thread alone, in ms.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The application, timing every paint event that it delivers while asked to.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    struct Paint
    {
        QString widget;
        double ms;
        double cpu;
    };
    bool timing = false;
    std::vector<Paint> paints;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!timing || event->type() != QEvent::Paint)
            return QApplication::notify(receiver, event);
        QElapsedTimer timer;
        timer.start();
        const double cpu = ThreadCpuMs();
        const bool done = QApplication::notify(receiver, event);
        const QString name = receiver->objectName().isEmpty() ? QString::fromLatin1(receiver->metaObject()->className())
                                                               : receiver->objectName();
        paints.push_back({name, static_cast<double>(timer.nsecsElapsed()) / 1e6, ThreadCpuMs() - cpu});
        return done;
    }
};

// One command as it was timed: its own part, and the paints of its repaint.
struct CommandTimes
{
    double total = 0;
    double command = 0;
    double cpu = 0; // of the window's thread, command and repaint
    // Of the window's thread too: minor page faults, waits (voluntary
    // switches) and preemptions (involuntary ones).
    long faults = 0;
    long waits = 0;
    long preempted = 0;
    std::vector<TimedApplication::Paint> paints;
};

void PrintSlowest(const char* kind, std::vector<CommandTimes> times, std::size_t shown, bool byCpu)
{
    std::sort(times.begin(), times.end(),
              [byCpu](const auto& a, const auto& b) { return byCpu ? a.cpu > b.cpu : a.total > b.total; });
    for (std::size_t i = 0; i < std::min(shown, times.size()); ++i) {
        double painted = 0;
        QString list;
        for (const auto& paint : times[i].paints) {
            painted += paint.ms;
            if (paint.ms >= 0.05)
                list += QStringLiteral(" %1 %2/%3").arg(paint.widget).arg(paint.ms, 0, 'f', 2).arg(paint.cpu, 0, 'f', 2);
        }
        std::printf("  %s %.2f ms (thread CPU %.2f, %ld faults, %ld waits, %ld preempted): command %.2f, paints "
                    "%.2f; paints of 0.05 ms and more, wall/CPU:%s\n",
                    kind, times[i].total, times[i].cpu, times[i].faults, times[i].waits, times[i].preempted,
                    times[i].command, painted, list.toUtf8().constData());
    }
}

double Ms(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// VmRSS or VmHWM of this process, in bytes.
double StatusBytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(std::string(key).size() + 1)) * 1024.0;
    }
    return 0;
}

// Starts a new peak: VmHWM drops to the present VmRSS.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

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

// A full base file: 99,999 questions with texts of every length.
std::size_t WriteFixture(const QString& path)
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
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char*>(out.Bytes().data()), static_cast<qint64>(out.Bytes().size()));
    return out.Bytes().size();
}

std::u16string Number(int i)
{
    const std::string digits = std::to_string(i);
    return std::u16string(digits.begin(), digits.end());
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Repaint()
{
    QApplication::processEvents();
}

void FillFields(EditorFields& fields, const std::u16string& question)
{
    fields.SetRoundValue(5);
    fields.SetQuestionText(question);
    for (int n = 0; n < AnswerCount; ++n)
        fields.SetAnswerText(n, u"ответ " + std::u16string(1, static_cast<char16_t>(u'0' + n)));
    fields.CheckAnswer(1);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    TimedApplication app(qtArgc, argv);
    const std::size_t paintTimes = static_cast<std::size_t>(std::max(0, qEnvironmentVariableIntValue("VT_PAINT_TIMES")));
    // Times one command and its repaint into `into` when asked to.
    std::vector<CommandTimes> addTimes, replaceTimes, reopenTimes;
    const auto timed = [&](std::vector<CommandTimes>& into, const auto& command) {
        app.timing = paintTimes > 0;
        app.paints.clear();
        rusage before{};
        getrusage(RUSAGE_THREAD, &before);
        const double cpu = ThreadCpuMs();
        const auto start = Clock::now();
        command();
        const double own = Ms(start);
        Repaint();
        const double total = Ms(start);
        const double used = ThreadCpuMs() - cpu;
        rusage after{};
        getrusage(RUSAGE_THREAD, &after);
        into.push_back({total, own, used, after.ru_minflt - before.ru_minflt, after.ru_nvcsw - before.ru_nvcsw,
                        after.ru_nivcsw - before.ru_nivcsw, std::move(app.paints)});
        app.timing = false;
        app.paints.clear();
    };
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 7;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.dat"));
    const std::size_t bytes = WriteFixture(path);
    const double file = static_cast<double>(bytes);
    malloc_trim(0);

    TF window;
    window.resize(870, 470);
    window.show();
    Repaint();
    window.OpenDialog = std::make_unique<FixedDialog>();
    window.OpenDialog->FileName = path;
    window.SaveDialog = std::make_unique<FixedDialog>();
    window.SaveDialog->FileName = dir.filePath(QStringLiteral("saved.dat"));

    // Memory.
    const double before = StatusBytes("VmRSS:");
    window.btnLoadClick();
    Repaint();
    const double one = StatusBytes("VmRSS:") - before;
    for (int i = 1; i < 5; ++i) {
        window.btnLoadClick();
        Repaint();
    }
    const double five = StatusBytes("VmRSS:") - before;
    for (int i = 5; i < 10; ++i) {
        window.btnLoadClick();
        Repaint();
    }
    const double ten = StatusBytes("VmRSS:") - before;
    ResetPeak();
    const double atReload = StatusBytes("VmRSS:");
    window.btnLoadClick();
    Repaint();
    const double peak = StatusBytes("VmHWM:") - atReload + (atReload - before);

    std::printf("file: %zu bytes, %d questions, %d list lines\n", bytes, window.Base().QuestionCount(),
                window.qlist->model()->rowCount());
    std::printf("| resident memory added by one load | %.0f MB = %.2f x the file |\n", one / 1e6, one / file);
    std::printf("| after five loads / ten loads | %.0f MB / %.0f MB (ten = %.1f %% above one) |\n",
                five / 1e6, ten / 1e6, 100.0 * (ten - one) / one);
    std::printf("| peak during a reload | %.0f MB = %.2f x the file |\n", peak / 1e6, peak / file);

    // Load and save against raw file work.
    std::vector<double> load, read, save, write, loadCpu, readCpu;
    const std::vector<char> data(bytes, 'x');
    const QString rawPath = dir.filePath(QStringLiteral("raw.dat"));
    for (int i = 0; i < runs; ++i) {
        double cpu = CpuMs();
        auto start = Clock::now();
        window.btnLoadClick();
        Repaint();
        load.push_back(Ms(start));
        loadCpu.push_back(CpuMs() - cpu);
        cpu = CpuMs();
        read.push_back(RawReadMs(path, bytes));
        readCpu.push_back(CpuMs() - cpu);
        start = Clock::now();
        window.btnSaveClick();
        save.push_back(Ms(start));
        // The replaced file's blocks are given back off the window's thread
        // after the save; let that end, so that it does not slow the raw write.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        write.push_back(RawWriteMs(rawPath, data));
    }
    std::printf(
        "| load into the shown window vs a raw read | %.1f ms vs %.1f ms = %.2f x; CPU %.1f ms vs %.1f ms = "
        "%.2f x |\n",
        Median(load), Median(read), Median(load) / Median(read), Median(loadCpu), Median(readCpu),
        Median(loadCpu) / Median(readCpu));
    std::printf("| save vs a raw write + fsync | %.1f ms vs %.1f ms = %.2f x |\n", Median(save),
                Median(write), Median(save) / Median(write));

    // Commands at 100,000 questions, each followed by its repaint, the
    // first add straight after a load.
    EditorFields& fields = window.Fields();
    std::vector<double> add, replace, reopen, addCpu, replaceCpu, reopenCpu;
    const int commands = std::max(200, 3 * runs);
    window.btnLoadClick();
    Repaint();
    for (int i = 0; i < commands; ++i) {
        fields.SelectLine(-1);
        FillFields(fields, u"Новый вопрос номер " + Number(i));
        Repaint();
        const double cpu = CpuMs();
        timed(addTimes, [&] { window.btnAddClick(); });
        addCpu.push_back(CpuMs() - cpu);
        add.push_back(addTimes.back().total);
    }
    const int count = window.Base().QuestionCount();
    for (int i = 0; i < commands; ++i) {
        const int line = count / 2 + i;
        fields.SelectLine(line);
        Repaint();
        double cpu = CpuMs();
        timed(reopenTimes, [&] { window.qlistDblClick(); });
        reopenCpu.push_back(CpuMs() - cpu);
        reopen.push_back(reopenTimes.back().total);
        FillFields(fields, u"Исправленный вопрос " + Number(i));
        Repaint();
        cpu = CpuMs();
        timed(replaceTimes, [&] { window.btnAddClick(); });
        replaceCpu.push_back(CpuMs() - cpu);
        replace.push_back(replaceTimes.back().total);
    }
    const auto worst = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("| add at %d questions, with the repaint (%d of each) | %.2f ms median, %.2f ms worst, "
                "%.2f ms the first after a load; CPU %.2f ms median, %.2f ms worst |\n",
                count, commands, Median(add), worst(add), add.front(), Median(addCpu), worst(addCpu));
    std::printf("| replace | %.2f ms median, %.2f ms worst; CPU %.2f ms median, %.2f ms worst |\n",
                Median(replace), worst(replace), Median(replaceCpu), worst(replaceCpu));
    std::printf(
        "| reopen (double-click) | %.2f ms median, %.2f ms worst; CPU %.2f ms median, %.2f ms worst |\n",
        Median(reopen), worst(reopen), Median(reopenCpu), worst(reopenCpu));
    if (paintTimes > 0) {
        for (const bool byCpu : {false, true}) {
            std::printf("slowest by %s:\n", byCpu ? "the window thread's CPU time" : "wall time");
            PrintSlowest("add", addTimes, paintTimes, byCpu);
            PrintSlowest("replace", replaceTimes, paintTimes, byCpu);
            PrintSlowest("reopen", reopenTimes, paintTimes, byCpu);
        }
    }
    std::printf("%s\n", window.edQuestion->text().isEmpty() ? "" : "(the fields were not cleared)");
    return 0;
}

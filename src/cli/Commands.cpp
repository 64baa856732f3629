#include "Commands.h"

#include "BaseCheck.h"
#include "BaseFormat.h"
#include "Error.h"
#include "FileFormats.h"
#include "FileKind.h"
#include "FileNames.h"
#include "FileStorage.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "QtText.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <functional>

#ifndef VERTALINA_VERSION
#define VERTALINA_VERSION "0"
#endif

namespace {

const QString Program = QStringLiteral("vertalina-base");

/** A failure already worded for the command line, about one file. */
struct FileFailure
{
    QString file;
    QString message;
};

/** A path as messages show it: control characters escaped. */
QString Shown(const QString& path)
{
    return ToQ(DisplayPath(PathOf(path)));
}

/** A text that the user typed, quoted in a message: escaped as names are. */
QString Quoted(const QString& text)
{
    return ToQ(ShownText(FromQ(text)));
}

/** A message in the style of command-line tools: lowercase start, no full stop at the end. */
QString ToolStyle(QString message)
{
    while (message.endsWith(u'.') || message.endsWith(u' '))
        message.chop(1);
    if (!message.isEmpty())
        message[0] = message[0].toLower();
    return message;
}

/** "cannot open: No such file or directory": the core's file error in the
 *  form of command-line tools, which keep the system's reason as it is. */
QString FileErrorMessage(const FileError& error)
{
    QString what = ToQ(error.What());
    if (what.endsWith(QLatin1String(" file")))
        what.chop(5);
    return ToolStyle(what) + QStringLiteral(": ") + ToQ(error.Reason());
}

/** "FILE: cannot open: No such file or directory". */
QString FileErrorText(const FileError& error)
{
    return ToQ(DisplayPath(error.Path())) + QStringLiteral(": ") + FileErrorMessage(error);
}

/** Runs `read` over the base file at `path`, read through `in`; an error of
 *  its content (not of the file itself) becomes a FileFailure naming the file,
 *  and saying what it seems to be when it is no base at all. */
template <class Read> void ReadingBase(const QString& path, const HeadInputStream& in, Read read)
{
    try {
        read();
    } catch (const FileError&) {
        throw;
    } catch (const Error& error) {
        const QString shown = Shown(path);
        // A failed read leaves nothing to judge the file by.
        const std::string notABase =
            in.Failed() ? std::string() : NotABaseMessage(shown.toStdString(), in.Head());
        throw FileFailure{shown, notABase.empty() ? QStringLiteral("cannot read the base: ") +
                                                        ToolStyle(ToQ(error.Message()))
                                                  : QString::fromStdString(notABase)};
    }
}

QString FindingsText(const Findings& findings, const QString& file)
{
    QString text;
    for (const Finding& finding : findings)
        text += ToQ(finding.Text(FromQ(file))) + u'\n';
    return text;
}

QString CountOfFindings(qsizetype count)
{
    return ToQ(Counted(count, u"finding", u"findings"));
}

QString CountOfQuestions(qsizetype count)
{
    return ToQ(Counted(count, u"question", u"questions"));
}

class Cli
{
public:
    Cli(QIODevice& out, QIODevice& err) : m_out(out), m_err(err) {}

    int Run(const QStringList& arguments);
    void PrintError(const QString& text) { Put(m_err, Program + QStringLiteral(": ") + text + u'\n'); }

private:
    int Check(const QStringList& arguments);
    /** Checks one base file: prints its report as text or appends it to `json`; returns its status. */
    int CheckOne(const QString& path, QJsonArray* json);
    int Export(const QStringList& arguments);
    int Build(const QStringList& arguments);

    /** Parses a command's own arguments; false with the status in `status`
     *  when the command is done already (help shown or a usage error). At
     *  least one file must be named, and at most one unless `manyFiles`. */
    bool ParseCommand(QCommandLineParser& parser, const QString& usage, const QStringList& arguments,
                      bool manyFiles, int& status);
    int UsageError(const QString& message, const QString& command = QString());
    /** Prints findings that do not stop a build to standard error, each
     *  message after `label`, then how many more of `count` there are. */
    void PutFindings(const Findings& findings, std::size_t count, const QString& path, const QString& label);
    /** Checks a table as build reads it; returns its status. */
    int CheckTable(const QString& path, QJsonArray* json);

    void Print(const QString& text) { Put(m_out, text); }
    void Put(QIODevice& device, const QString& text) { PutBytes(device, text.toUtf8()); }
    void PutBytes(QIODevice& device, const QByteArray& bytes);
    /** Writes the file through the one output writer; a save that the
     *  system could not confirm is a warning, not a failure. */
    /** Runs `save`; a save that the system could not confirm is a warning. */
    void Save(const std::function<void()>& save);
    /** Prints a line that only reports on a base written: when the device
     *  takes it no more, a warning says so and the command still succeeds. */
    void Report(QIODevice& device, const QString& text);

    /** Standard output as the core's output stream. */
    class DeviceStream : public OutputStream
    {
    public:
        DeviceStream(Cli& cli, QIODevice& device) : m_cli(cli), m_device(device) {}
        void Write(const std::uint8_t* data, std::size_t n) override
        {
            m_cli.PutBytes(m_device,
                           QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(n)));
        }

    private:
        Cli& m_cli;
        QIODevice& m_device;
    };

    QIODevice& m_out;
    QIODevice& m_err;
};

/** `text` broken at blanks so that no line passes 80 columns, the first
 *  starting at column `at` and the others indented by `indent` blanks. */
QString HelpWrapped(const std::string& text, int at, int indent)
{
    QString wrapped;
    int column = at;
    for (const QString& word : QString::fromStdString(text).split(u' ')) {
        if (column > indent && column + 1 + word.size() > 80) {
            wrapped += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (!wrapped.isEmpty()) {
            wrapped += u' ';
            ++column;
        }
        wrapped += word;
        column += int(word.size());
    }
    return wrapped;
}

// Help texts fit 80 columns.
const QString MainHelp =
    QStringLiteral("Usage: vertalina-base COMMAND [OPTION]... FILE...\n"
                   "Check, export and build the question bases (.dat files) of the quiz game\n"
                   "Vertalina.\n"
                   "\n"
                   "Commands:\n"
                   "  check BASE.dat...         report what keeps each base from reading correctly\n"
                   "  export BASE.dat [-o OUT]  write the questions as CSV, JSON, a spreadsheet,\n"
                   "                            Moodle XML, GIFT or Aiken\n"
                   "  build INPUT -o BASE.dat   make a base from a file of one of those formats\n"
                   "\n"
                   "Options:\n"
                   "  -h, --help     show this help; \"vertalina-base COMMAND --help\" for a command\n"
                   "  -v, --version  show the program's version\n"
                   "\n"
                   "Exit status: 0 done (check: every base is sound); 1 check or build found\n"
                   "faults, or export met a text that its format cannot carry; 2 a file cannot\n"
                   "be read or written, or the command line is wrong.\n");

const QString CheckUsage =
    QStringLiteral("Usage: vertalina-base check [OPTION]... BASE.dat...\n"
                   "Read each BASE.dat as the editor does and report, one line each, a file\n"
                   "shorter than its header promises, bytes after the last record, a round that\n"
                   "is not 1 to 5, a correct answer beyond its round's answers, an empty question\n"
                   "or needed answer, and repeated question texts; then the number of questions\n"
                   "of each round. Questions are numbered from 0, as in the editor's list.\n"
                   "A file named as a table or question bank (.csv, .tsv, .json, .xml, .gift,\n"
                   ".txt) is checked as build would read it instead, with its lines.\n"
                   "\n"
                   "Options:\n"
                   "      --format FORMAT  text (the default) or json: one JSON array with, for\n"
                   "                       each file, its findings and its questions per round\n"
                   "  -h, --help           show this help\n"
                   "\n"
                   "Exit status, the worst over all files: 0 sound, 1 findings, 2 a file cannot\n"
                   "be read.\n");

const QString ExportUsage =
    QStringLiteral("Usage: vertalina-base export [OPTION]... BASE.dat\n"
                   "Write every question of BASE.dat as CSV (UTF-8; header row round, question,\n"
                   "answer0 to answer4, correct; the answers a round does not use are left\n"
                   "empty) or as JSON (an array of objects with round, question, answers and\n"
                   "correct), to OUT or to standard output. Texts keep every code unit; a text\n"
                   "that UTF-8 cannot carry (a lone surrogate) is refused in CSV, and JSON keeps\n"
                   "it as a \\uXXXX escape. An Excel workbook (xlsx) or OpenDocument spreadsheet\n"
                   "(ods) has one sheet \"Questions\", the texts as text and round and correct\n"
                   "answer as numbers. Moodle XML, GIFT and Aiken hold the answers a round uses,\n"
                   "the correct one marked; Moodle XML and GIFT put each run of a round under the\n"
                   "category \"Round N\", and Aiken, which has none, refuses round 5 beside other\n"
                   "rounds. Without --format, OUT's extension chooses the format.\n"
                   "\n"
                   "Options:\n"
                   "  -o, --output OUT     write to OUT instead of standard output\n"
                   "      --format FORMAT  %1\n"
                   "      --delimiter SEP  between CSV fields: comma (the default), semicolon or\n"
                   "                       tab\n"
                   "      --bom            begin the CSV with a UTF-8 byte-order mark (for\n"
                   "                       spreadsheets that need one)\n"
                   "  -h, --help           show this help\n"
                   "\n"
                   "Exit status: 0 written, 1 a text that the format cannot carry, 2 a file\n"
                   "cannot be read or written.\n")
        .arg(HelpWrapped(FormatNames(WritableTable, "csv"), 23, 23));

const QString BuildUsage =
    QStringLiteral("Usage: vertalina-base build [OPTION]... INPUT -o BASE.dat\n"
                   "Make a base from a CSV file (UTF-8, a byte-order mark at its start allowed;\n"
                   "\",\", \";\" or tab between fields; a header row naming the columns round,\n"
                   "question, answer0 to answer4 and correct, in any order) or from a JSON file\n"
                   "as export writes it, or from the first sheet of an Excel workbook (.xlsx) or\n"
                   "OpenDocument spreadsheet (.ods) with that header row, or from a question\n"
                   "bank: Moodle XML (multichoice questions), GIFT or Aiken. A bank's question\n"
                   "takes its round from a category or tag \"Round N\", else from its answer\n"
                   "count (2 answers round 1 to 5 answers round 4); Aiken has no categories, so\n"
                   "--round sets its round. A name ending in .json is read as JSON, .xml as\n"
                   "Moodle XML, .gift as GIFT, .csv or .tsv as CSV, and .txt as Aiken when it\n"
                   "holds an \"ANSWER:\" line after options, as CSV otherwise; any other, and \"-\"\n"
                   "(standard input), as JSON when it begins with \"[\", as a spreadsheet when it\n"
                   "is a zip archive, as Moodle XML with \"<?xml\" or \"<quiz\", as Aiken as\n"
                   "above, as CSV otherwise.\n"
                   "Every question is checked first: round 1 to 5, the answers its round needs\n"
                   "and no others, the correct answer among them, at most 255 code units of\n"
                   "question and 40 of each answer, no bar \"|\", no repeated question text. Any\n"
                   "finding is reported with its line (CSV, banks), cell (spreadsheets) or item\n"
                   "(JSON) and nothing is written; otherwise BASE.dat is written as the editor\n"
                   "saves it. Feedback and images of a bank's questions are dropped with a note.\n"
                   "\n"
                   "Options:\n"
                   "  -o, --output BASE.dat  the base file to write (required); \"-\" for standard\n"
                   "                         output\n"
                   "      --format FORMAT    whatever the name: %1\n"
                   "      --round N          make every question round N (1 to 5)\n"
                   "      --skip-unfit       build from the questions that fit; list the others\n"
                   "  -h, --help             show this help\n"
                   "\n"
                   "Exit status: 0 written, 1 findings, 2 a file cannot be read or written.\n")
        .arg(HelpWrapped(FormatNames(ReadableTable), 43, 25));

void Cli::PutBytes(QIODevice& device, const QByteArray& bytes)
{
    if (device.write(bytes) != bytes.size())
        throw FileFailure{QStringLiteral("standard output"), device.errorString()};
}

void Cli::Save(const std::function<void()>& save)
{
    try {
        save();
    } catch (const SaveNotConfirmed& error) {
        PrintError(QStringLiteral("warning: %1: saved, but the system could not confirm that the save will "
                                  "survive a crash: %2")
                       .arg(ToQ(DisplayPath(error.Path())), ToQ(error.Cause())));
    }
}

void Cli::Report(QIODevice& device, const QString& text)
{
    try {
        Put(device, text);
    } catch (const FileFailure& failure) {
        PrintError(
            QStringLiteral("warning: %1: %2 (the base was written)").arg(failure.file, failure.message));
    }
}

void Cli::PutFindings(const Findings& findings, std::size_t count, const QString& path, const QString& label)
{
    Findings labelled = findings;
    for (Finding& finding : labelled)
        finding.message = FromQ(label) + finding.message;
    Put(m_err, FindingsText(labelled, Shown(path)));
    if (count > findings.size())
        Put(m_err, QStringLiteral("%1: and %2 more\n").arg(Shown(path)).arg(count - findings.size()));
}

int Cli::UsageError(const QString& message, const QString& command)
{
    PrintError(message);
    Put(m_err, QStringLiteral("Try '%1%2 --help' for more information.\n")
                   .arg(Program, command.isEmpty() ? QString() : QStringLiteral(" ") + command));
    return ExitFailure;
}

int Cli::Run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOptions({help, version});
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(arguments))
        return UsageError(Quoted(ToolStyle(parser.errorText())));
    if (parser.isSet(help)) {
        Print(MainHelp);
        return ExitSound;
    }
    if (parser.isSet(version)) {
        Print(Program + QStringLiteral(" ") + QStringLiteral(VERTALINA_VERSION) + u'\n');
        return ExitSound;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return UsageError(QStringLiteral("no command given (check, export or build)"));
    const QString command = rest.front();
    if (command == QLatin1String("check"))
        return Check(rest);
    if (command == QLatin1String("export"))
        return Export(rest);
    if (command == QLatin1String("build"))
        return Build(rest);
    return UsageError(QStringLiteral("unknown command '%1' (check, export or build)").arg(Quoted(command)));
}

bool Cli::ParseCommand(QCommandLineParser& parser, const QString& usage, const QStringList& arguments,
                       bool manyFiles, int& status)
{
    const QString command = arguments.front();
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        status = UsageError(Quoted(ToolStyle(parser.errorText())), command);
        return false;
    }
    if (parser.isSet(help)) {
        Print(usage);
        status = ExitSound;
        return false;
    }
    // The command stands where the parser expects the program's name.
    const qsizetype files = parser.positionalArguments().size();
    if (files < 1 || (files > 1 && !manyFiles)) {
        status = UsageError(files < 1 ? QStringLiteral("%1: no file given").arg(command)
                                      : QStringLiteral("%1: one file at a time").arg(command),
                            command);
        return false;
    }
    return true;
}

int Cli::Check(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"),
                                    QStringLiteral("text"));
    parser.addOption(format);
    int status = ExitSound;
    if (!ParseCommand(parser, CheckUsage, arguments, true, status))
        return status;
    const QString formatName = parser.value(format).toLower();
    if (formatName != QLatin1String("text") && formatName != QLatin1String("json"))
        return UsageError(QStringLiteral("check: unknown format '%1' (text or json)").arg(Quoted(formatName)),
                          QStringLiteral("check"));

    QJsonArray json;
    const bool asJson = formatName == QLatin1String("json");
    const QStringList paths = parser.positionalArguments();
    for (const QString& path : paths)
        status = std::max(status, CheckOne(path, asJson ? &json : nullptr));
    if (asJson)
        PutBytes(m_out, QJsonDocument(json).toJson(QJsonDocument::Indented));
    return status;
}

int Cli::CheckTable(const QString& path, QJsonArray* json)
{
    const QString shown = Shown(path);
    QJsonObject object;
    object.insert(QLatin1String("file"), path);
    LoadedFile loaded;
    try {
        loaded = LoadFile(PathOf(path), nullptr);
    } catch (const FileError& error) {
        PrintError(FileErrorText(error));
        object.insert(QLatin1String("error"), FileErrorMessage(error));
        if (json)
            json->append(object);
        return ExitFailure;
    }
    std::array<int, RoundCount> perRound{};
    for (int k = 0; k < loaded.base.QuestionCount(); ++k)
        if (const int round = RoundOfText(loaded.base.Entry(k * EntriesPerQuestion + FieldRound)); round != 0)
            ++perRound[std::size_t(round - 1)];
    PutFindings(loaded.notes, loaded.noteCount, path, QStringLiteral("note: "));
    if (json) {
        QJsonArray findings;
        for (const Finding& finding : loaded.findings) {
            QJsonObject item;
            item.insert(QLatin1String("line"), finding.line);
            item.insert(QLatin1String("place"), ToQ(finding.place));
            item.insert(QLatin1String("message"), ToQ(finding.message));
            findings.append(item);
        }
        QJsonObject rounds;
        for (int r = 0; r < RoundCount; ++r)
            rounds.insert(QString::number(r + 1), perRound[std::size_t(r)]);
        object.insert(QLatin1String("questions"), loaded.base.QuestionCount());
        object.insert(QLatin1String("rounds"), rounds);
        object.insert(QLatin1String("findings"), findings);
        json->append(object);
    } else {
        QString text = FindingsText(loaded.findings, shown);
        for (int r = 0; r < RoundCount; ++r)
            text += QStringLiteral("%1: round %2: %3\n")
                        .arg(shown)
                        .arg(r + 1)
                        .arg(CountOfQuestions(perRound[std::size_t(r)]));
        text += QStringLiteral("%1: %2, %3\n")
                    .arg(shown, CountOfQuestions(loaded.base.QuestionCount()),
                         loaded.findings.empty() ? QStringLiteral("sound")
                                                 : CountOfFindings(qsizetype(loaded.findingCount)));
        Print(text);
    }
    return loaded.findings.empty() ? ExitSound : ExitFindings;
}

int Cli::CheckOne(const QString& path, QJsonArray* json)
{
    if (const FileFormat* named = FormatOfExtension(PathOf(path)); named && named->table)
        return CheckTable(path, json);
    const QString shown = Shown(path);
    QJsonObject object;
    object.insert(QLatin1String("file"), path);
    BaseCheckReport report;
    try {
        InputFile file(PathOf(path));
        HeadInputStream in(file.BlockStream());
        ReadingBase(path, in, [&] { report = CheckBaseFile(in); });
    } catch (const FileError& error) {
        PrintError(FileErrorText(error));
        object.insert(QLatin1String("error"), FileErrorMessage(error));
    } catch (const FileFailure& failure) {
        PrintError(failure.file + QStringLiteral(": ") + failure.message);
        object.insert(QLatin1String("error"), failure.message);
    }
    if (object.contains(QLatin1String("error"))) {
        if (json)
            json->append(object);
        return ExitFailure;
    }

    if (json) {
        QJsonArray findings;
        for (const Finding& finding : report.findings) {
            QJsonObject item;
            item.insert(QLatin1String("place"), ToQ(finding.place));
            if (finding.question >= 0)
                item.insert(QLatin1String("question"), finding.question);
            item.insert(QLatin1String("message"), ToQ(finding.message));
            findings.append(item);
        }
        QJsonObject rounds;
        for (int r = 0; r < RoundCount; ++r)
            rounds.insert(QString::number(r + 1), report.perRound[std::size_t(r)]);
        rounds.insert(QLatin1String("other"), report.otherRounds);
        object.insert(QLatin1String("questions"), report.questionCount);
        object.insert(QLatin1String("headerCount"), report.headerCount);
        object.insert(QLatin1String("rounds"), rounds);
        object.insert(QLatin1String("findings"), findings);
        json->append(object);
    } else {
        QString text = FindingsText(report.findings, shown);
        for (int r = 0; r < RoundCount; ++r)
            text += QStringLiteral("%1: round %2: %3\n")
                        .arg(shown)
                        .arg(r + 1)
                        .arg(CountOfQuestions(report.perRound[std::size_t(r)]));
        if (report.otherRounds > 0)
            text += QStringLiteral("%1: other rounds: %2\n").arg(shown, CountOfQuestions(report.otherRounds));
        text += QStringLiteral("%1: %2, %3\n")
                    .arg(shown, CountOfQuestions(report.questionCount),
                         report.findings.empty() ? QStringLiteral("sound")
                                                 : CountOfFindings(qsizetype(report.findings.size())));
        Print(text);
    }
    return report.findings.empty() ? ExitSound : ExitFindings;
}

int Cli::Export(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                    QStringLiteral("OUT"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"),
                                    QStringLiteral("csv"));
    const QCommandLineOption delimiter(QStringLiteral("delimiter"), QString(), QStringLiteral("SEP"),
                                       QStringLiteral("comma"));
    const QCommandLineOption bom(QStringLiteral("bom"), QString());
    parser.addOptions({output, format, delimiter, bom});
    int status = ExitSound;
    if (!ParseCommand(parser, ExportUsage, arguments, false, status))
        return status;

    const FileFormat* table = FormatNamed(parser.value(format).toStdString());
    // Without --format, a table format that OUT's name ends in chooses.
    if (const FileFormat* named = FormatOfExtension(PathOf(parser.value(output)));
        !parser.isSet(format) && named && WritableTable(*named))
        table = named;
    if (!table || !WritableTable(*table))
        return UsageError(HelpWrapped(QStringLiteral("export: unknown format '%1' (%2)")
                                          .arg(Quoted(parser.value(format).toLower()),
                                               QString::fromStdString(FormatNames(WritableTable)))
                                          .toStdString(),
                                      16, 0),
                          QStringLiteral("export"));
    const QString delimiterName = parser.value(delimiter).toLower();
    char separator = 0;
    if (delimiterName == QLatin1String("comma") || delimiterName == QLatin1String(","))
        separator = ',';
    else if (delimiterName == QLatin1String("semicolon") || delimiterName == QLatin1String(";"))
        separator = ';';
    else if (delimiterName == QLatin1String("tab") || delimiterName == QLatin1String("\t"))
        separator = '\t';
    else
        return UsageError(QStringLiteral("export: unknown delimiter '%1' (comma, semicolon or tab)")
                              .arg(Quoted(delimiterName)),
                          QStringLiteral("export"));

    WriteOptions options;
    options.delimiter = separator;
    options.byteOrderMark = parser.isSet(bom);

    const QString inputPath = parser.positionalArguments().front();
    // Read here rather than through LoadFile, so that a file that is no base
    // can be named by its first bytes.
    LoadedFile input;
    {
        InputFile file(PathOf(inputPath));
        HeadInputStream in(file.BlockStream());
        ReadingBase(inputPath, in, [&] { ReadBase(in, input.base); });
        input.id = file.Id();
    }
    const QString outputPath = parser.value(output);
    DeviceStream out(*this, m_out);
    Findings unwritable;
    if (outputPath.isEmpty() || outputPath == QLatin1String("-"))
        unwritable = SaveTo(input.base, out, *table, options);
    else
        Save([&] { unwritable = SaveFile(input.base, PathOf(outputPath), *table, options, {input.id}); });
    if (!unwritable.empty()) {
        Put(m_err, FindingsText(unwritable, Shown(inputPath)));
        PrintError(QStringLiteral("%1: %2; nothing written")
                       .arg(Shown(inputPath), ToQ(UnwritableSummary(*table, unwritable.size()))));
        return ExitFindings;
    }
    return ExitSound;
}

int Cli::Build(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                    QStringLiteral("BASE.dat"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption round(QStringLiteral("round"), QString(), QStringLiteral("N"));
    const QCommandLineOption skipUnfit(QStringLiteral("skip-unfit"), QString());
    parser.addOptions({output, format, round, skipUnfit});
    int status = ExitSound;
    if (!ParseCommand(parser, BuildUsage, arguments, false, status))
        return status;
    if (!parser.isSet(output))
        return UsageError(QStringLiteral("build: no output file given (-o BASE.dat)"),
                          QStringLiteral("build"));
    const FileFormat* table = nullptr;
    if (parser.isSet(format)) {
        table = FormatNamed(parser.value(format).toStdString());
        if (!table || !ReadableTable(*table))
            return UsageError(HelpWrapped(QStringLiteral("build: unknown format '%1' (%2)")
                                              .arg(Quoted(parser.value(format).toLower()),
                                                   QString::fromStdString(FormatNames(ReadableTable)))
                                              .toStdString(),
                                          16, 0),
                              QStringLiteral("build"));
    }

    LoadOptions options;
    options.skipUnfit = parser.isSet(skipUnfit);
    if (parser.isSet(round)) {
        options.round = RoundOfText(FromQ(parser.value(round)));
        if (options.round == 0)
            return UsageError(
                QStringLiteral("build: --round %1 is not 1 to 5").arg(Quoted(parser.value(round))),
                QStringLiteral("build"));
    }

    const QString inputPath = parser.positionalArguments().front();
    const LoadedFile built = LoadFile(PathOf(inputPath), table, options);
    // A base, a spreadsheet or UTF-16 text is named for what it is, whatever
    // its rows gave.
    const std::string notATable = NotATableMessage(Shown(inputPath).toStdString(), built.head);
    if (!notATable.empty())
        throw FileFailure{Shown(inputPath), QString::fromStdString(notATable)};
    // Diagnostics, not data: standard output may be where the base would go.
    PutFindings(built.notes, built.noteCount, inputPath, QStringLiteral("note: "));
    PutFindings(built.skipped, built.skippedCount, inputPath, QStringLiteral("skipped: "));
    const Findings& findings = built.findings;
    if (!findings.empty()) {
        Put(m_err, FindingsText(findings, Shown(inputPath)));
        if (built.findingCount > findings.size())
            Put(m_err, QStringLiteral("%1: and %2 more\n")
                           .arg(Shown(inputPath))
                           .arg(built.findingCount - findings.size()));
        PrintError(QStringLiteral("%1: %2; nothing written")
                       .arg(Shown(inputPath), CountOfFindings(qsizetype(built.findingCount))));
        return ExitFindings;
    }

    const QString outputPath = parser.value(output);
    QString summary = QStringLiteral("%1 written to %2")
                          .arg(CountOfQuestions(built.base.QuestionCount()), Shown(outputPath));
    if (built.skippedCount > 0)
        summary += QStringLiteral(", %1 skipped").arg(CountOfQuestions(qsizetype(built.skippedCount)));
    summary += u'\n';
    if (outputPath == QLatin1String("-")) {
        // Whole, so that a base that does not fit leaves standard output empty.
        MemoryOutputStream bytes;
        SaveTo(built.base, bytes, BaseFileFormat());
        DeviceStream(*this, m_out).Write(bytes.Bytes().data(), bytes.Bytes().size());
        Report(m_err, summary);
        return ExitSound;
    }
    Save([&] { SaveFile(built.base, PathOf(outputPath), BaseFileFormat(), {}, {built.id}); });
    // The base itself may have gone to standard output.
    Report(outputPath == QLatin1String("/dev/stdout") ? m_err : m_out, summary);
    return ExitSound;
}

} // namespace

int RunCli(const QStringList& arguments, QIODevice& out, QIODevice& err)
{
    Cli cli(out, err);
    QString message;
    try {
        return cli.Run(arguments);
    } catch (const FileError& error) {
        message = FileErrorText(error);
    } catch (const FileFailure& failure) {
        message = failure.file + QStringLiteral(": ") + failure.message;
    } catch (...) {
        message = ToolStyle(ToQ(InnermostMessage(std::current_exception())));
        if (message.isEmpty())
            message = QStringLiteral("unexpected failure");
    }
    try {
        err.write((Program + QStringLiteral(": ") + message + u'\n').toUtf8());
    } catch (...) {
    }
    return ExitFailure;
}

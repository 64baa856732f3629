#include "Commands.h"

#include "BaseCheck.h"
#include "BaseFormat.h"
#include "CsvFile.h"
#include "Error.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "QtEdge.h"
#include "QuestionCheck.h"
#include "QuestionTable.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QIODevice>

#ifndef VERTALINA_VERSION
#define VERTALINA_VERSION "0"
#endif

namespace {

const QString Program = QStringLiteral("vertalina-base");

void WriteBytes(OutputStream& out, const QByteArray& bytes)
{
    out.Write(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
}

class Cli
{
public:
    Cli(QIODevice& out, QIODevice& err) : m_out(out), m_err(err) {}

    int Run(const QStringList& arguments);

private:
    int Check(const QStringList& arguments);
    int Export(const QStringList& arguments);
    int Build(const QStringList& arguments);

    /** Parses a command's own arguments; false with the status in `status`
     *  when the command is done already (help shown or a usage error). */
    bool ParseCommand(QCommandLineParser& parser, const QString& usage, const QStringList& arguments,
                      int& status);
    int UsageError(const QString& message, const QString& command = QString());

    void Print(const QString& text) { Put(m_out, text); }
    void PrintError(const QString& text) { Put(m_err, Program + QStringLiteral(": ") + text + u'\n'); }
    void Put(QIODevice& device, const QString& text) { PutBytes(device, text.toUtf8()); }
    void PutBytes(QIODevice& device, const QByteArray& bytes);

    QIODevice& m_out;
    QIODevice& m_err;
};

const QString MainHelp = QStringLiteral(
    "Usage: vertalina-base COMMAND [options] FILE\n"
    "Checks, exports and builds the question bases (.dat files) of the quiz game Vertalina.\n"
    "\n"
    "Commands:\n"
    "  check BASE.dat                      report what keeps a base from reading correctly\n"
    "  export BASE.dat [-o OUT]            write the questions as CSV or JSON\n"
    "  build INPUT.csv|INPUT.json -o BASE.dat\n"
    "                                      make a base from a CSV or JSON file\n"
    "\n"
    "Options:\n"
    "  -h, --help                          this help; \"vertalina-base COMMAND --help\" for a command\n"
    "  -v, --version                       the program's version\n"
    "\n"
    "Exit status: 0 done (check: the base is sound), 1 check or build found faults,\n"
    "2 a file cannot be read or written, or the command line is wrong.\n");

const QString CheckUsage =
    QStringLiteral("Usage: vertalina-base check [options] BASE.dat\n"
                   "Reads BASE.dat as the editor does and reports, one line each, a file shorter than its\n"
                   "header promises, bytes after the last record, a round that is not 1 to 5, a correct\n"
                   "answer beyond its round's answers, an empty question or needed answer, and repeated\n"
                   "question texts; then the number of questions of each round. Questions are numbered\n"
                   "from 0, as in the editor's list.\n"
                   "Exit status: 0 sound, 1 findings, 2 the file cannot be read.\n");

const QString ExportUsage =
    QStringLiteral("Usage: vertalina-base export [options] BASE.dat\n"
                   "Writes every question of BASE.dat as CSV (UTF-8; header row\n"
                   "round,question,answer0,answer1,answer2,answer3,answer4,correct; the answers a round\n"
                   "does not use are left empty) or as JSON (an array of objects with round, question,\n"
                   "answers and correct), to OUT or to standard output.\n");

const QString BuildUsage =
    QStringLiteral("Usage: vertalina-base build [options] INPUT.csv|INPUT.json -o BASE.dat\n"
                   "Makes a base from a CSV file (UTF-8 with or without a byte-order mark; \",\", \";\" or\n"
                   "tab between fields; a header row naming the columns round, question, answer0 to\n"
                   "answer4 and correct, in any order) or from a JSON file as export writes it.\n"
                   "Every question is checked first: round 1 to 5, the answers its round needs, the\n"
                   "correct answer among them, at most 255 code units of question and 40 of each\n"
                   "answer, no bar \"|\", no repeated question text. Any finding is reported with its line\n"
                   "(CSV) or item (JSON) and nothing is written; otherwise BASE.dat is written as the\n"
                   "editor saves it.\n"
                   "Exit status: 0 written, 1 findings, 2 a file cannot be read or written.\n");

void Cli::PutBytes(QIODevice& device, const QByteArray& bytes)
{
    if (device.write(bytes) != bytes.size())
        throw Error(QStringLiteral("Cannot write the output. %1").arg(device.errorString()).toStdU16String());
}

int Cli::UsageError(const QString& message, const QString& command)
{
    PrintError(message);
    Put(m_err, QStringLiteral("Try \"%1%2 --help\".\n")
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
        return UsageError(parser.errorText());
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
    return UsageError(QStringLiteral("unknown command \"%1\" (check, export or build)").arg(command));
}

bool Cli::ParseCommand(QCommandLineParser& parser, const QString& usage, const QStringList& arguments,
                       int& status)
{
    const QString command = arguments.front();
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        status = UsageError(parser.errorText(), command);
        return false;
    }
    if (parser.isSet(help)) {
        // The options' descriptions as Qt lays them out, under our own usage lines.
        QString options = parser.helpText();
        const qsizetype start = options.indexOf(QLatin1String("\nOptions:"));
        Print(usage + (start >= 0 ? options.mid(start) : QString()));
        status = ExitSound;
        return false;
    }
    if (parser.positionalArguments().size() != 1) {
        status = UsageError(parser.positionalArguments().isEmpty()
                                ? QStringLiteral("%1: no file given").arg(command)
                                : QStringLiteral("%1: one file at a time").arg(command),
                            command);
        return false;
    }
    return true;
}

int Cli::Check(const QStringList& arguments)
{
    QCommandLineParser parser;
    int status = ExitSound;
    if (!ParseCommand(parser, CheckUsage, arguments, status))
        return status;

    const QString path = parser.positionalArguments().front();
    InputFile file(PathOf(path));
    const BaseCheckReport report = CheckBaseFile(file.Stream());

    QString text;
    for (const QString& finding : report.findings)
        text += finding + u'\n';
    for (int r = 0; r < RoundCount; ++r)
        text += QStringLiteral("round %1: %2 questions\n").arg(r + 1).arg(report.perRound[std::size_t(r)]);
    if (report.otherRounds > 0)
        text += QStringLiteral("other rounds: %1 questions\n").arg(report.otherRounds);
    text +=
        report.findings.isEmpty()
            ? QStringLiteral("%1: %2 questions, sound\n").arg(path).arg(report.questionCount)
            : QStringLiteral("%1: %2 questions, %3 %4\n")
                  .arg(path)
                  .arg(report.questionCount)
                  .arg(report.findings.size())
                  .arg(report.findings.size() == 1 ? QStringLiteral("finding") : QStringLiteral("findings"));
    Print(text);
    return report.findings.isEmpty() ? ExitSound : ExitFindings;
}

int Cli::Export(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write to OUT instead of standard output."),
                                    QStringLiteral("OUT"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("csv (the default) or json."),
                                    QStringLiteral("FORMAT"), QStringLiteral("csv"));
    const QCommandLineOption delimiter(QStringLiteral("delimiter"),
                                       QStringLiteral("Between CSV fields: comma (the default), semicolon "
                                                      "or tab."),
                                       QStringLiteral("DELIMITER"), QStringLiteral("comma"));
    const QCommandLineOption bom(QStringLiteral("bom"),
                                 QStringLiteral("Begin the CSV with a UTF-8 byte-order mark (for "
                                                "spreadsheets that need one)."));
    parser.addOptions({output, format, delimiter, bom});
    int status = ExitSound;
    if (!ParseCommand(parser, ExportUsage, arguments, status))
        return status;

    const QString formatName = parser.value(format).toLower();
    if (formatName != QLatin1String("csv") && formatName != QLatin1String("json"))
        return UsageError(QStringLiteral("export: unknown format \"%1\" (csv or json)").arg(formatName),
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
        return UsageError(
            QStringLiteral("export: unknown delimiter \"%1\" (comma, semicolon or tab)").arg(delimiterName),
            QStringLiteral("export"));

    QuestionBase base;
    FileId input;
    {
        InputFile file(PathOf(parser.positionalArguments().front()));
        ReadBase(file.Stream(), base);
        input = file.Id();
    }
    const QByteArray bytes = formatName == QLatin1String("json")
                                 ? WriteJsonQuestions(base)
                                 : WriteCsvQuestions(base, separator, parser.isSet(bom));
    const QString outputPath = parser.value(output);
    if (outputPath.isEmpty() || outputPath == QLatin1String("-"))
        PutBytes(m_out, bytes);
    else
        WriteOutputFile(PathOf(outputPath), [&](OutputStream& out) { WriteBytes(out, bytes); }, {input});
    return ExitSound;
}

int Cli::Build(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The base file to write (required)."),
                                    QStringLiteral("BASE.dat"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("csv or json; by default JSON when the file begins "
                                                   "with \"[\", CSV otherwise."),
                                    QStringLiteral("FORMAT"));
    parser.addOptions({output, format});
    int status = ExitSound;
    if (!ParseCommand(parser, BuildUsage, arguments, status))
        return status;
    if (!parser.isSet(output))
        return UsageError(QStringLiteral("build: no output file given (-o BASE.dat)"),
                          QStringLiteral("build"));
    QString formatName = parser.value(format).toLower();
    if (!formatName.isEmpty() && formatName != QLatin1String("csv") && formatName != QLatin1String("json"))
        return UsageError(QStringLiteral("build: unknown format \"%1\" (csv or json)").arg(formatName),
                          QStringLiteral("build"));

    const QString inputPath = parser.positionalArguments().front();
    QByteArray input;
    FileId inputId;
    {
        InputFile file(PathOf(inputPath));
        const std::vector<std::uint8_t> bytes = file.ReadAll();
        input = QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        inputId = file.Id();
    }
    if (formatName.isEmpty()) {
        const QByteArray start = WithoutBom(input).toByteArray().trimmed();
        formatName = start.startsWith('[') ? QStringLiteral("json") : QStringLiteral("csv");
    }
    const QuestionRows rows =
        formatName == QLatin1String("json") ? ReadJsonQuestions(input) : ReadCsvQuestions(input);
    BuiltBase built = BuildQuestionBase(rows.rows);
    const QStringList findings = rows.findings + built.findings;
    if (!findings.isEmpty()) {
        QString text;
        for (const QString& finding : findings)
            text += inputPath + QStringLiteral(": ") + finding + u'\n';
        Print(text);
        Put(m_err, QStringLiteral("%1: %2 %3; nothing written\n")
                       .arg(Program)
                       .arg(findings.size())
                       .arg(findings.size() == 1 ? QStringLiteral("finding") : QStringLiteral("findings")));
        return ExitFindings;
    }

    const QString outputPath = parser.value(output);
    CheckBaseLimits(built.base);
    const QString summary =
        QStringLiteral("%1 questions written to %2\n").arg(built.base.QuestionCount()).arg(outputPath);
    if (outputPath == QLatin1String("-")) {
        MemoryOutputStream bytes;
        WriteBase(built.base, bytes);
        PutBytes(m_out, QByteArray(reinterpret_cast<const char*>(bytes.Bytes().data()),
                                   qsizetype(bytes.Bytes().size())));
        Put(m_err, summary);
        return ExitSound;
    }
    WriteOutputFile(PathOf(outputPath), [&](OutputStream& out) { WriteBase(built.base, out); }, {inputId});
    // The base itself may have gone to standard output.
    Put(outputPath == QLatin1String("/dev/stdout") ? m_err : m_out, summary);
    return ExitSound;
}

} // namespace

int RunCli(const QStringList& arguments, QIODevice& out, QIODevice& err)
{
    Cli cli(out, err);
    try {
        return cli.Run(arguments);
    } catch (...) {
        // Failures read as the editor's error report shows them.
        QString message = QString::fromStdU16String(WithFullStop(InnermostMessage(std::current_exception())));
        if (message.isEmpty())
            message = QStringLiteral("unexpected failure");
        try {
            err.write((Program + QStringLiteral(": ") + message + u'\n').toUtf8());
        } catch (...) {
        }
        return ExitFailure;
    }
}

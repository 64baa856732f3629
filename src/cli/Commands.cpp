#include "cli/Commands.h"

#include "base/BaseCheck.h"
#include "base/BaseFormat.h"
#include "base/FileKind.h"
#include "base/FileNames.h"
#include "base/InputFile.h"
#include "base/OutputFile.h"
#include "cli/CommandLine.h"
#include "tables/FileFormats.h"
#include "tables/FileStorage.h"
#include "text/Error.h"
#include "text/Utf.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <variant>

#ifndef VERTALINA_VERSION
#define VERTALINA_VERSION "0"
#endif

namespace vt {

namespace {

const std::u16string Program = u"vertalina-base";

/** A failure already worded for the command line, about one file. */
struct FileFailure
{
    std::u16string file;
    std::u16string message;
};

/** The file layer's name of the file that the argument names: its bytes. */
std::string PathOf(const std::u16string& argument)
{
    return ToPathBytes(argument);
}

/** A path as messages show it: control characters escaped. */
std::u16string Shown(const std::u16string& path)
{
    return DisplayPath(PathOf(path));
}

/** A text that the user typed, quoted in a message: escaped as names are. */
std::u16string Quoted(const std::u16string& text)
{
    return ShownText(text);
}

/** A message in the style of command-line tools: lowercase start, no full stop at the end. */
std::u16string ToolStyle(std::u16string message)
{
    while (!message.empty() && (message.back() == u'.' || message.back() == u' '))
        message.pop_back();
    if (!message.empty())
        message.replace(0, 1, LowerCase(message.substr(0, 1)));
    return message;
}

/** "cannot open: No such file or directory": the core's file error in the
 *  form of command-line tools, which keep the system's reason as it is. */
std::u16string FileErrorMessage(const FileError& error)
{
    std::u16string what = error.What();
    if (what.ends_with(u" file"))
        what.resize(what.size() - 5);
    return ToolStyle(what) + u": " + error.Reason();
}

/** "FILE: cannot open: No such file or directory". */
std::u16string FileErrorText(const FileError& error)
{
    return DisplayPath(error.Path()) + u": " + FileErrorMessage(error);
}

/** Runs `read` over the base file at `path`, read through `in`; an error of
 *  its content (not of the file itself) becomes a FileFailure naming the file,
 *  and saying what it seems to be when it is no base at all. */
template <class Read> void ReadingBase(const std::u16string& path, const HeadInputStream& in, Read read)
{
    try {
        read();
    } catch (const FileError&) {
        throw;
    } catch (const Error& error) {
        const std::u16string shown = Shown(path);
        // A failed read leaves nothing to judge the file by.
        const std::string notABase = in.Failed() ? std::string() : NotABaseMessage(ToUtf8(shown, u'?'), in.Head());
        throw FileFailure{shown, notABase.empty() ? u"cannot read the base: " + ToolStyle(error.Message())
                                                  : FromUtf8(notABase)};
    }
}

std::u16string FindingsText(const Findings& findings, const std::u16string& file)
{
    std::u16string text;
    for (const Finding& finding : findings)
        text += finding.Text(file) + u'\n';
    return text;
}

std::u16string CountOfFindings(std::int64_t count)
{
    return Counted(count, u"finding", u"findings");
}

std::u16string CountOfQuestions(std::int64_t count)
{
    return Counted(count, u"question", u"questions");
}

/** The reports of check --format json: numbers, texts, arrays and objects,
 *  written as the earlier builds wrote them (keys in code unit order, four
 *  blanks a level, escapes in lower case). */
class Json
{
public:
    Json(int number) : m_value(number) {}
    Json(std::u16string text) : m_value(std::move(text)) {}
    static Json Array() { return Json(std::vector<Json>()); }
    static Json Object() { return Json(std::map<std::u16string, Json>()); }

    void Append(Json item) { std::get<std::vector<Json>>(m_value).push_back(std::move(item)); }
    void Insert(const std::u16string& key, Json value)
    {
        std::get<std::map<std::u16string, Json>>(m_value).insert_or_assign(key, std::move(value));
    }
    bool Contains(const std::u16string& key) const
    {
        return std::get<std::map<std::u16string, Json>>(m_value).contains(key);
    }
    /** The whole document, as the top level, with its final line break. */
    std::string Document() const
    {
        std::string text;
        Write(text, 0);
        return text + '\n';
    }

private:
    explicit Json(std::vector<Json> items) : m_value(std::move(items)) {}
    explicit Json(std::map<std::u16string, Json> members) : m_value(std::move(members)) {}

    static void PutString(std::string& out, std::u16string_view text);
    void Write(std::string& out, int indent) const;

    std::variant<int, std::u16string, std::vector<Json>, std::map<std::u16string, Json>> m_value;
};

void Json::PutString(std::string& out, std::u16string_view text)
{
    static constexpr char Digits[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        switch (unit) {
        case u'"':
            out += "\\\"";
            continue;
        case u'\\':
            out += "\\\\";
            continue;
        case u'\b':
            out += "\\b";
            continue;
        case u'\f':
            out += "\\f";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                          text[i + 1] <= 0xDFFF;
        if (pair) {
            AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit < 0x20) {
            out += "\\u00";
            out += Digits[unit >> 4];
            out += Digits[unit & 0xF];
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += "\\u";
            out += Digits[unit >> 12];
            out += Digits[(unit >> 8) & 0xF];
            out += Digits[(unit >> 4) & 0xF];
            out += Digits[unit & 0xF];
        } else {
            AppendUtf8(out, unit);
        }
    }
    out += '"';
}

void Json::Write(std::string& out, int indent) const
{
    const std::string inner(std::size_t(4 * (indent + 1)), ' ');
    if (const int* number = std::get_if<int>(&m_value)) {
        out += std::to_string(*number);
    } else if (const auto* text = std::get_if<std::u16string>(&m_value)) {
        PutString(out, *text);
    } else if (const auto* items = std::get_if<std::vector<Json>>(&m_value)) {
        out += "[\n";
        for (std::size_t i = 0; i < items->size(); ++i) {
            out += inner;
            (*items)[i].Write(out, indent + 1);
            out += i + 1 < items->size() ? ",\n" : "\n";
        }
        out += std::string(std::size_t(4 * indent), ' ') + ']';
    } else {
        const auto& members = std::get<std::map<std::u16string, Json>>(m_value);
        out += "{\n";
        std::size_t i = 0;
        for (const auto& [key, value] : members) {
            out += inner;
            PutString(out, key);
            out += ": ";
            value.Write(out, indent + 1);
            out += ++i < members.size() ? ",\n" : "\n";
        }
        out += std::string(std::size_t(4 * indent), ' ') + '}';
    }
}

class Cli
{
public:
    Cli(CliStream& out, CliStream& err) : m_out(out), m_err(err) {}

    int Run(const std::vector<std::u16string>& arguments);
    void PrintError(const std::u16string& text) { Put(m_err, Program + u": " + text + u'\n'); }

private:
    int Check(const std::vector<std::u16string>& arguments);
    /** Checks one base file: prints its report as text or appends it to `json`; returns its status. */
    int CheckOne(const std::u16string& path, Json* json);
    int Export(const std::vector<std::u16string>& arguments);
    int Build(const std::vector<std::u16string>& arguments);

    /** Parses a command's own arguments; false with the status in `status`
     *  when the command is done already (help shown or a usage error). At
     *  least one file must be named, and at most one unless `manyFiles`. */
    bool ParseCommand(CommandLine& line, const CLI::Option* help, const std::vector<std::u16string>& arguments,
                      bool manyFiles, int& status);
    int UsageError(const std::u16string& message, const std::u16string& command = {});
    /** Prints findings that do not stop a build to standard error, each
     *  message after `label`, then how many more of `count` there are. */
    void PutFindings(const Findings& findings, std::size_t count, const std::u16string& path,
                     const std::u16string& label);
    /** Checks a table as build reads it; returns its status. */
    int CheckTable(const std::u16string& path, Json* json);

    void Print(const std::u16string& text) { Put(m_out, text); }
    void Put(CliStream& stream, const std::u16string& text) { PutBytes(stream, ToUtf8(text, u'?')); }
    void PutBytes(CliStream& stream, std::string_view bytes);
    /** Runs `save`; a save that the system could not confirm is a warning. */
    void Save(const std::function<void()>& save);
    /** Prints a line that only reports on a base written: when the stream
     *  takes it no more, a warning says so and the command still succeeds. */
    void Report(CliStream& stream, const std::u16string& text);

    /** Standard output as the core's output stream. */
    class DeviceStream : public OutputStream
    {
    public:
        DeviceStream(Cli& cli, CliStream& stream) : m_cli(cli), m_stream(stream) {}
        void Write(const std::uint8_t* data, std::size_t n) override
        {
            m_cli.PutBytes(m_stream, std::string_view(reinterpret_cast<const char*>(data), n));
        }

    private:
        Cli& m_cli;
        CliStream& m_stream;
    };

    CliStream& m_out;
    CliStream& m_err;
};

// Help texts fit 80 columns; a description's line breaks are kept, and the
// format lists from the registry are wrapped to fit.
const char* const ProgramAbout = "Check, export and build the question bases (.dat files) of the quiz game\n"
                                 "Vertalina.\n";
const char* const ProgramFooter = "Exit status: 0 done (check: every base is sound); 1 check or build found\n"
                                  "faults, or export met a text that its format cannot carry; 2 a file cannot\n"
                                  "be read or written, or the command line is wrong.\n";
const char* const HelpOption = "-h,--help";

/** The program's own options, and its commands in the help. */
struct ProgramLine
{
    CommandLine line;
    CLI::Option* help;
    CLI::Option* version;

    ProgramLine()
        : line("Usage: vertalina-base COMMAND [OPTION]... FILE...",
               ProgramAbout + std::string("\nCommands:\n") +
                   HelpTable({{"check BASE.dat...", "report what keeps each base from reading correctly"},
                              {"export BASE.dat [-o OUT]", "write the questions as CSV, JSON, a spreadsheet,\n"
                                                           "Moodle XML, GIFT or Aiken"},
                              {"build INPUT -o BASE.dat", "make a base from a file of one of those formats"}}),
               ProgramFooter),
          help(line.AddFlag(HelpOption, "show this help; \"vertalina-base COMMAND --help\" for a command")),
          version(line.AddFlag("-v,--version", "show the program's version"))
    {
    }
};

struct CheckLine
{
    CommandLine line{
        "Usage: vertalina-base check [OPTION]... BASE.dat...",
        "Read each BASE.dat as the editor does and report, one line each, a file\n"
        "shorter than its header promises, bytes after the last record, a round that\n"
        "is not 1 to 5, a correct answer beyond its round's answers, an empty question\n"
        "or needed answer, and repeated question texts; then the number of questions\n"
        "of each round. Questions are numbered from 0, as in the editor's list.\n"
        "A file named as a table or question bank (.csv, .tsv, .json, .xml, .gift,\n"
        ".txt) is checked as build would read it instead, with its lines.\n",
        "Exit status, the worst over all files: 0 sound, 1 findings, 2 a file cannot\n"
        "be read.\n"};
    CLI::Option* format = line.AddValue("--format", "FORMAT",
                                        "text (the default) or json: one JSON array with, for\n"
                                        "each file, its findings and its questions per round",
                                        "text");
    CLI::Option* help = line.AddFlag(HelpOption, "show this help");
};

struct ExportLine
{
    CommandLine line{
        "Usage: vertalina-base export [OPTION]... BASE.dat",
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
        "rounds. Without --format, OUT's extension chooses the format.\n",
        "Exit status: 0 written, 1 a text that the format cannot carry, 2 a file\n"
        "cannot be read or written.\n"};
    CLI::Option* output = line.AddValue("-o,--output", "OUT", "write to OUT instead of standard output");
    CLI::Option* format = line.AddValue("--format", "FORMAT", FormatNames(WritableTable, "csv"), "csv");
    CLI::Option* delimiter = line.AddValue("--delimiter", "SEP",
                                           "between CSV fields: comma (the default), semicolon or\n"
                                           "tab",
                                           "comma");
    CLI::Option* bom = line.AddFlag("--bom", "begin the CSV with a UTF-8 byte-order mark (for\n"
                                             "spreadsheets that need one)");
    CLI::Option* help = line.AddFlag(HelpOption, "show this help");
};

struct BuildLine
{
    CommandLine line{
        "Usage: vertalina-base build [OPTION]... INPUT -o BASE.dat",
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
        "saves it. Feedback and images of a bank's questions are dropped with a note.\n",
        "Exit status: 0 written, 1 findings, 2 a file cannot be read or written.\n"};
    CLI::Option* output = line.AddValue("-o,--output", "BASE.dat",
                                        "the base file to write (required); \"-\" for standard\n"
                                        "output");
    CLI::Option* format =
        line.AddValue("--format", "FORMAT", "whatever the name: " + FormatNames(ReadableTable));
    CLI::Option* round = line.AddValue("--round", "N", "make every question round N (1 to 5)");
    CLI::Option* skipUnfit = line.AddFlag("--skip-unfit", "build from the questions that fit; list the others");
    CLI::Option* help = line.AddFlag(HelpOption, "show this help");
};

/** "export: unknown format 'x' (csv, json, ...)", wrapped after the program's name. */
std::u16string UnknownFormat(const std::u16string& command, const std::u16string& value,
                             bool (*has)(const FileFormat&))
{
    return HelpWrapped(command + u": unknown format '" + Quoted(LowerCase(value)) + u"' (" +
                           FromUtf8(FormatNames(has)) + u")",
                       16, 0);
}

void Cli::PutBytes(CliStream& stream, std::string_view bytes)
{
    std::u16string reason;
    if (!stream.Write(bytes, reason))
        throw FileFailure{u"standard output", reason};
}

void Cli::Save(const std::function<void()>& save)
{
    try {
        save();
    } catch (const SaveNotConfirmed& error) {
        PrintError(u"warning: " + DisplayPath(error.Path()) +
                   u": saved, but the system could not confirm that the save will survive a crash: " +
                   error.Cause());
    }
}

void Cli::Report(CliStream& stream, const std::u16string& text)
{
    try {
        Put(stream, text);
    } catch (const FileFailure& failure) {
        PrintError(u"warning: " + failure.file + u": " + failure.message + u" (the base was written)");
    }
}

void Cli::PutFindings(const Findings& findings, std::size_t count, const std::u16string& path,
                      const std::u16string& label)
{
    Findings labelled = findings;
    for (Finding& finding : labelled)
        finding.message = label + finding.message;
    Put(m_err, FindingsText(labelled, Shown(path)));
    if (count > findings.size())
        Put(m_err, Shown(path) + u": and " + Decimal(std::int64_t(count - findings.size())) + u" more\n");
}

int Cli::UsageError(const std::u16string& message, const std::u16string& command)
{
    PrintError(message);
    Put(m_err, u"Try '" + Program + (command.empty() ? u"" : u" " + command) + u" --help' for more information.\n");
    return ExitFailure;
}

int Cli::Run(const std::vector<std::u16string>& arguments)
{
    ProgramLine program;
    if (!program.line.Parse(arguments, true))
        return UsageError(Quoted(ToolStyle(program.line.ErrorText())));
    if (program.line.IsSet(program.help)) {
        PutBytes(m_out, program.line.Help());
        return ExitSound;
    }
    if (program.line.IsSet(program.version)) {
        Print(Program + u" " + FromUtf8(VERTALINA_VERSION) + u'\n');
        return ExitSound;
    }
    const std::vector<std::u16string>& rest = program.line.Positionals();
    if (rest.empty())
        return UsageError(u"no command given (check, export or build)");
    const std::u16string& command = rest.front();
    if (command == u"check")
        return Check(rest);
    if (command == u"export")
        return Export(rest);
    if (command == u"build")
        return Build(rest);
    return UsageError(u"unknown command '" + Quoted(command) + u"' (check, export or build)");
}

bool Cli::ParseCommand(CommandLine& line, const CLI::Option* help, const std::vector<std::u16string>& arguments,
                       bool manyFiles, int& status)
{
    const std::u16string& command = arguments.front();
    if (!line.Parse(arguments)) {
        status = UsageError(Quoted(ToolStyle(line.ErrorText())), command);
        return false;
    }
    if (line.IsSet(help)) {
        PutBytes(m_out, line.Help());
        status = ExitSound;
        return false;
    }
    // The command stands where the parser expects the program's name.
    const std::size_t files = line.Positionals().size();
    if (files < 1 || (files > 1 && !manyFiles)) {
        status = UsageError(command + (files < 1 ? u": no file given" : u": one file at a time"), command);
        return false;
    }
    return true;
}

int Cli::Check(const std::vector<std::u16string>& arguments)
{
    CheckLine check;
    int status = ExitSound;
    if (!ParseCommand(check.line, check.help, arguments, true, status))
        return status;
    const std::u16string formatName = LowerCase(check.line.Value(check.format));
    if (formatName != u"text" && formatName != u"json")
        return UsageError(u"check: unknown format '" + Quoted(formatName) + u"' (text or json)", u"check");

    Json json = Json::Array();
    const bool asJson = formatName == u"json";
    for (const std::u16string& path : check.line.Positionals())
        status = std::max(status, CheckOne(path, asJson ? &json : nullptr));
    if (asJson)
        PutBytes(m_out, json.Document());
    return status;
}

int Cli::CheckTable(const std::u16string& path, Json* json)
{
    const std::u16string shown = Shown(path);
    Json object = Json::Object();
    object.Insert(u"file", path);
    LoadedFile loaded;
    try {
        loaded = LoadFile(PathOf(path), nullptr);
    } catch (const FileError& error) {
        PrintError(FileErrorText(error));
        object.Insert(u"error", FileErrorMessage(error));
        if (json)
            json->Append(std::move(object));
        return ExitFailure;
    }
    std::array<int, RoundCount> perRound{};
    for (int k = 0; k < loaded.base.QuestionCount(); ++k)
        if (const int round = RoundOfText(loaded.base.Entry(k * EntriesPerQuestion + FieldRound)); round != 0)
            ++perRound[std::size_t(round - 1)];
    PutFindings(loaded.notes, loaded.noteCount, path, u"note: ");
    if (json) {
        Json findings = Json::Array();
        for (const Finding& finding : loaded.findings) {
            Json item = Json::Object();
            item.Insert(u"line", finding.line);
            item.Insert(u"place", finding.place);
            item.Insert(u"message", finding.message);
            findings.Append(std::move(item));
        }
        Json rounds = Json::Object();
        for (int r = 0; r < RoundCount; ++r)
            rounds.Insert(Decimal(r + 1), perRound[std::size_t(r)]);
        object.Insert(u"questions", loaded.base.QuestionCount());
        object.Insert(u"rounds", std::move(rounds));
        object.Insert(u"findings", std::move(findings));
        json->Append(std::move(object));
    } else {
        std::u16string text = FindingsText(loaded.findings, shown);
        for (int r = 0; r < RoundCount; ++r)
            text += shown + u": round " + Decimal(r + 1) + u": " + CountOfQuestions(perRound[std::size_t(r)]) + u'\n';
        text += shown + u": " + CountOfQuestions(loaded.base.QuestionCount()) + u", " +
                (loaded.findings.empty() ? u"sound" : CountOfFindings(std::int64_t(loaded.findingCount))) + u'\n';
        Print(text);
    }
    return loaded.findings.empty() ? ExitSound : ExitFindings;
}

int Cli::CheckOne(const std::u16string& path, Json* json)
{
    if (const FileFormat* named = FormatOfExtension(PathOf(path)); named && named->table)
        return CheckTable(path, json);
    const std::u16string shown = Shown(path);
    Json object = Json::Object();
    object.Insert(u"file", path);
    BaseCheckReport report;
    try {
        InputFile file(PathOf(path));
        HeadInputStream in(file.BlockStream());
        ReadingBase(path, in, [&] { report = CheckBaseFile(in); });
    } catch (const FileError& error) {
        PrintError(FileErrorText(error));
        object.Insert(u"error", FileErrorMessage(error));
    } catch (const FileFailure& failure) {
        PrintError(failure.file + u": " + failure.message);
        object.Insert(u"error", failure.message);
    }
    if (object.Contains(u"error")) {
        if (json)
            json->Append(std::move(object));
        return ExitFailure;
    }

    if (json) {
        Json findings = Json::Array();
        for (const Finding& finding : report.findings) {
            Json item = Json::Object();
            item.Insert(u"place", finding.place);
            if (finding.question >= 0)
                item.Insert(u"question", finding.question);
            item.Insert(u"message", finding.message);
            findings.Append(std::move(item));
        }
        Json rounds = Json::Object();
        for (int r = 0; r < RoundCount; ++r)
            rounds.Insert(Decimal(r + 1), report.perRound[std::size_t(r)]);
        rounds.Insert(u"other", report.otherRounds);
        object.Insert(u"questions", report.questionCount);
        object.Insert(u"headerCount", report.headerCount);
        object.Insert(u"rounds", std::move(rounds));
        object.Insert(u"findings", std::move(findings));
        json->Append(std::move(object));
    } else {
        std::u16string text = FindingsText(report.findings, shown);
        for (int r = 0; r < RoundCount; ++r)
            text += shown + u": round " + Decimal(r + 1) + u": " + CountOfQuestions(report.perRound[std::size_t(r)]) +
                    u'\n';
        if (report.otherRounds > 0)
            text += shown + u": other rounds: " + CountOfQuestions(report.otherRounds) + u'\n';
        text += shown + u": " + CountOfQuestions(report.questionCount) + u", " +
                (report.findings.empty() ? u"sound" : CountOfFindings(std::int64_t(report.findings.size()))) + u'\n';
        Print(text);
    }
    return report.findings.empty() ? ExitSound : ExitFindings;
}

int Cli::Export(const std::vector<std::u16string>& arguments)
{
    ExportLine line;
    int status = ExitSound;
    if (!ParseCommand(line.line, line.help, arguments, false, status))
        return status;

    const std::u16string formatValue = line.line.Value(line.format);
    const FileFormat* table = FormatNamed(ToUtf8(formatValue, u'?'));
    const std::u16string outputPath = line.line.Value(line.output);
    // Without --format, a table format that OUT's name ends in chooses.
    if (const FileFormat* named = FormatOfExtension(PathOf(outputPath));
        !line.line.IsSet(line.format) && named && WritableTable(*named))
        table = named;
    if (!table || !WritableTable(*table))
        return UsageError(UnknownFormat(u"export", formatValue, WritableTable), u"export");
    const std::u16string delimiterName = LowerCase(line.line.Value(line.delimiter));
    char separator = 0;
    if (delimiterName == u"comma" || delimiterName == u",")
        separator = ',';
    else if (delimiterName == u"semicolon" || delimiterName == u";")
        separator = ';';
    else if (delimiterName == u"tab" || delimiterName == u"\t")
        separator = '\t';
    else
        return UsageError(u"export: unknown delimiter '" + Quoted(delimiterName) + u"' (comma, semicolon or tab)",
                          u"export");

    WriteOptions options;
    options.delimiter = separator;
    options.byteOrderMark = line.line.IsSet(line.bom);

    const std::u16string& inputPath = line.line.Positionals().front();
    // Read here rather than through LoadFile, so that a file that is no base
    // can be named by its first bytes.
    LoadedFile input;
    {
        InputFile file(PathOf(inputPath));
        HeadInputStream in(file.BlockStream());
        ReadingBase(inputPath, in, [&] { ReadBase(in, input.base); });
        input.id = file.Id();
    }
    DeviceStream out(*this, m_out);
    Findings unwritable;
    if (outputPath.empty() || outputPath == u"-")
        unwritable = SaveTo(input.base, out, *table, options);
    else
        Save([&] { unwritable = SaveFile(input.base, PathOf(outputPath), *table, options, {input.id}); });
    if (!unwritable.empty()) {
        Put(m_err, FindingsText(unwritable, Shown(inputPath)));
        PrintError(Shown(inputPath) + u": " + UnwritableSummary(*table, unwritable.size()) + u"; nothing written");
        return ExitFindings;
    }
    return ExitSound;
}

int Cli::Build(const std::vector<std::u16string>& arguments)
{
    BuildLine line;
    int status = ExitSound;
    if (!ParseCommand(line.line, line.help, arguments, false, status))
        return status;
    if (!line.line.IsSet(line.output))
        return UsageError(u"build: no output file given (-o BASE.dat)", u"build");
    const FileFormat* table = nullptr;
    if (line.line.IsSet(line.format)) {
        const std::u16string formatValue = line.line.Value(line.format);
        table = FormatNamed(ToUtf8(formatValue, u'?'));
        if (!table || !ReadableTable(*table))
            return UsageError(UnknownFormat(u"build", formatValue, ReadableTable), u"build");
    }

    LoadOptions options;
    options.skipUnfit = line.line.IsSet(line.skipUnfit);
    if (line.line.IsSet(line.round)) {
        options.round = RoundOfText(line.line.Value(line.round));
        if (options.round == 0)
            return UsageError(u"build: --round " + Quoted(line.line.Value(line.round)) + u" is not 1 to 5", u"build");
    }

    const std::u16string& inputPath = line.line.Positionals().front();
    const LoadedFile built = LoadFile(PathOf(inputPath), table, options);
    // A base, a spreadsheet or UTF-16 text is named for what it is, whatever
    // its rows gave.
    const std::string notATable = NotATableMessage(ToUtf8(Shown(inputPath), u'?'), built.head);
    if (!notATable.empty())
        throw FileFailure{Shown(inputPath), FromUtf8(notATable)};
    // Diagnostics, not data: standard output may be where the base would go.
    PutFindings(built.notes, built.noteCount, inputPath, u"note: ");
    PutFindings(built.skipped, built.skippedCount, inputPath, u"skipped: ");
    const Findings& findings = built.findings;
    if (!findings.empty()) {
        Put(m_err, FindingsText(findings, Shown(inputPath)));
        if (built.findingCount > findings.size())
            Put(m_err, Shown(inputPath) + u": and " + Decimal(std::int64_t(built.findingCount - findings.size())) +
                           u" more\n");
        PrintError(Shown(inputPath) + u": " + CountOfFindings(std::int64_t(built.findingCount)) + u"; nothing written");
        return ExitFindings;
    }

    const std::u16string outputPath = line.line.Value(line.output);
    std::u16string summary = CountOfQuestions(built.base.QuestionCount()) + u" written to " + Shown(outputPath);
    if (built.skippedCount > 0)
        summary += u", " + CountOfQuestions(std::int64_t(built.skippedCount)) + u" skipped";
    summary += u'\n';
    if (outputPath == u"-") {
        // Whole, so that a base that does not fit leaves standard output empty.
        MemoryOutputStream bytes;
        SaveTo(built.base, bytes, BaseFileFormat());
        DeviceStream(*this, m_out).Write(bytes.Bytes().data(), bytes.Bytes().size());
        Report(m_err, summary);
        return ExitSound;
    }
    Save([&] { SaveFile(built.base, PathOf(outputPath), BaseFileFormat(), {}, {built.id}); });
    // The base itself may have gone to standard output.
    Report(outputPath == u"/dev/stdout" ? m_err : m_out, summary);
    return ExitSound;
}

} // namespace

int RunCli(const std::vector<std::string>& arguments, CliStream& out, CliStream& err)
{
    Cli cli(out, err);
    std::u16string message;
    try {
        // Texts for the messages; a byte that is not UTF-8 is kept, so that
        // PathOf gives the file layer the name as it was given.
        std::vector<std::u16string> words;
        words.reserve(arguments.size());
        for (const std::string& argument : arguments)
            words.push_back(FromPathBytes(argument));
        return cli.Run(words);
    } catch (const FileError& error) {
        message = FileErrorText(error);
    } catch (const FileFailure& failure) {
        message = failure.file + u": " + failure.message;
    } catch (...) {
        message = ToolStyle(InnermostMessage(std::current_exception()));
        if (message.empty())
            message = u"unexpected failure";
    }
    try {
        std::u16string reason;
        err.Write(ToUtf8(Program + u": " + message + u'\n', u'?'), reason);
    } catch (...) {
    }
    return ExitFailure;
}

} // namespace vt

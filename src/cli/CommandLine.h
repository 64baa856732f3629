#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>
#include <vector>

// The options of one command of vertalina-base, each declared once, with its
// description, in a CLI::App; the help is made from those declarations.
//
// The words of the command line are read by the rules that the program has
// always followed, so that every accepted line and every message stays the
// same: "--name value" and "--name=value"; short options compacted ("-hv",
// "-oOUT", "-o=OUT"); an option's value is the next word whatever it looks
// like; "--" ends the options and "-" is a file. Texts are UTF-16, as the
// messages quote them; a word's bytes come back through ToPathBytes.

namespace vt {

/** One command's options and help. */
class CommandLine
{
public:
    /** `usage`: the help's first line; `about`: the paragraphs before the
     *  options; `footer`: what follows them. */
    CommandLine(std::string usage, std::string about, std::string footer);

    /** An option with a value shown as `valueName` in the help; "-o,--output". */
    CLI::Option* AddValue(const std::string& names, const std::string& valueName, const std::string& description,
                          const std::string& byDefault = {});
    /** An option without a value. */
    CLI::Option* AddFlag(const std::string& names, const std::string& description);

    /** Reads `words` (the first is the command's or program's own name);
     *  with `commandFirst` the first other word that is no option ends the
     *  options. False with ErrorText() on a fault. */
    bool Parse(const std::vector<std::u16string>& words, bool commandFirst = false);
    /** "Unknown option 'x'.", "Missing value after '-o'.": the first fault's text. */
    const std::u16string& ErrorText() const { return m_error; }

    bool IsSet(const CLI::Option* option) const { return option->count() > 0; }
    /** The last value given, or the option's default. */
    std::u16string Value(const CLI::Option* option) const;
    const std::vector<std::u16string>& Positionals() const { return m_positionals; }

    /** The help: usage, about, "Options:" with every option in the order
     *  declared (the help option last), then the footer. */
    std::string Help() const;

private:
    /** The option of a long name ("format") or a short one ("o"), or nullptr. */
    CLI::Option* Find(std::u16string_view name, bool isLong);
    /** The value of `name`, from "=value" in `word` or from the next word. */
    bool TakeValue(CLI::Option* option, const std::u16string& word, const std::vector<std::u16string>& words,
                   std::size_t& at);

    CLI::App m_app;
    std::string m_usage;
    std::string m_about;
    std::string m_footer;
    std::vector<std::u16string> m_positionals;
    std::vector<std::u16string> m_unknown;
    std::u16string m_error;
};

/** Rows of a help table ("  -o, --output OUT  write to ..."): each left
 *  text after two blanks, padded to the widest, and its description, each of
 *  whose lines (broken at "\n") is wrapped as HelpWrapped wraps it. */
std::string HelpTable(const std::vector<std::pair<std::string, std::string>>& rows);

/** `text` broken at blanks so that no line passes 80 columns, the first
 *  starting at column `at` and the others indented by `indent` blanks. */
std::u16string HelpWrapped(std::u16string_view text, int at, int indent);

/** The text in lower case, letter by letter, as the system's character
 *  tables have it. */
std::u16string LowerCase(std::u16string_view text);

} // namespace vt

#include "cli/CommandLine.h"

#include "text/Utf.h"

#include <algorithm>
#include <cwctype>

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#include <locale.h>
#endif

namespace vt {

CommandLine::CommandLine(std::string usage, std::string about, std::string footer)
    : m_usage(std::move(usage)), m_about(std::move(about)), m_footer(std::move(footer))
{
    // The help option is declared by each command, last, like the others.
    m_app.set_help_flag();
}

CLI::Option* CommandLine::AddValue(const std::string& names, const std::string& valueName,
                                   const std::string& description, const std::string& byDefault)
{
    CLI::Option* option = m_app.add_option(names, description);
    option->type_name(valueName)->allow_extra_args(false);
    if (!byDefault.empty())
        option->default_str(byDefault);
    return option;
}

CLI::Option* CommandLine::AddFlag(const std::string& names, const std::string& description)
{
    return m_app.add_flag(names, description);
}

CLI::Option* CommandLine::Find(std::u16string_view name, bool isLong)
{
    const std::string bytes = ToPathBytes(name);
    for (CLI::Option* option : m_app.get_options()) {
        const auto& names = isLong ? option->get_lnames() : option->get_snames();
        if (std::find(names.begin(), names.end(), bytes) != names.end())
            return option;
    }
    return nullptr;
}

namespace {

bool TakesValue(const CLI::Option* option)
{
    return !option->get_type_name().empty();
}

} // namespace

bool CommandLine::TakeValue(CLI::Option* option, const std::u16string& word, const std::vector<std::u16string>& words,
                            std::size_t& at)
{
    const std::size_t assign = word.find(u'=');
    if (TakesValue(option)) {
        if (assign != std::u16string::npos) {
            option->add_result(ToPathBytes(word.substr(assign + 1)));
        } else if (++at == words.size()) {
            m_error = u"Missing value after '" + word + u"'.";
            return false;
        } else {
            option->add_result(ToPathBytes(words[at]));
        }
    } else if (assign != std::u16string::npos) {
        m_error = u"Unexpected value after '" + word.substr(0, assign) + u"'.";
        return false;
    } else {
        option->add_result(std::string());
    }
    return true;
}

bool CommandLine::Parse(const std::vector<std::u16string>& words, bool commandFirst)
{
    for (CLI::Option* option : m_app.get_options())
        option->clear();
    m_positionals.clear();
    m_unknown.clear();
    m_error.clear();
    bool sound = true;
    bool onlyFiles = false;
    for (std::size_t at = 1; at < words.size(); ++at) {
        const std::u16string& word = words[at];
        if (onlyFiles || word == u"-") {
            // "-", the standard stream, is a file that ends no options.
            m_positionals.push_back(word);
        } else if (word.starts_with(u"--")) {
            if (word.size() == 2) {
                onlyFiles = true;
                continue;
            }
            const std::size_t assign = word.find(u'=');
            const std::u16string name = word.substr(2, assign == std::u16string::npos ? assign : assign - 2);
            CLI::Option* option = Find(name, true);
            if (!option) {
                m_unknown.push_back(name);
                sound = false;
            } else if (!TakeValue(option, word, words, at)) {
                sound = false;
            }
        } else if (word.starts_with(u'-')) {
            // Compacted short options: "-hv"; a value option takes the rest
            // of the word ("-oOUT", "-o=OUT") or the next word.
            CLI::Option* last = nullptr;
            bool valueFound = false;
            for (std::size_t pos = 1; pos < word.size(); ++pos) {
                last = Find(word.substr(pos, 1), false);
                if (!last) {
                    m_unknown.push_back(word.substr(pos, 1));
                    sound = false;
                    continue;
                }
                if (TakesValue(last)) {
                    if (pos + 1 < word.size()) {
                        if (word[pos + 1] == u'=')
                            ++pos;
                        last->add_result(ToPathBytes(word.substr(pos + 1)));
                        valueFound = true;
                    }
                    break;
                }
                if (pos + 1 < word.size() && word[pos + 1] == u'=')
                    break;
                if (pos + 1 < word.size())
                    last->add_result(std::string());
            }
            if (!valueFound && last && !TakeValue(last, word, words, at))
                sound = false;
        } else {
            m_positionals.push_back(word);
            onlyFiles = onlyFiles || commandFirst;
        }
    }
    if (m_error.empty() && !m_unknown.empty()) {
        if (m_unknown.size() == 1) {
            m_error = u"Unknown option '" + m_unknown.front() + u"'.";
        } else {
            m_error = u"Unknown options: ";
            for (std::size_t i = 0; i < m_unknown.size(); ++i)
                m_error += (i > 0 ? u", " : u"") + m_unknown[i];
            m_error += u'.';
        }
    }
    return sound;
}

std::u16string CommandLine::Value(const CLI::Option* option) const
{
    if (option->count() > 0)
        return FromPathBytes(option->results().back());
    return FromUtf8(option->get_default_str());
}

std::string CommandLine::Help() const
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (const CLI::Option* option : m_app.get_options()) {
        std::string names;
        for (const std::string& name : option->get_snames())
            names += "-" + name + ", ";
        if (names.empty())
            names = "    ";
        for (const std::string& name : option->get_lnames())
            names += "--" + name;
        if (TakesValue(option))
            names += " " + option->get_type_name();
        rows.emplace_back(names, option->get_description());
    }
    return m_usage + "\n" + m_about + "\nOptions:\n" + HelpTable(rows) + "\n" + m_footer;
}

std::string HelpTable(const std::vector<std::pair<std::string, std::string>>& rows)
{
    std::size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, FromUtf8(row.first).size());
    const int column = int(width) + 4;
    std::string table;
    for (const auto& [left, description] : rows) {
        table += "  " + left + std::string(width - FromUtf8(left).size() + 2, ' ');
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = description.find('\n', start);
            if (start > 0)
                table += "\n" + std::string(std::size_t(column), ' ');
            table += ToUtf8(HelpWrapped(FromUtf8(description.substr(start, end - start)), column, column));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        table += '\n';
    }
    return table;
}

std::u16string HelpWrapped(std::u16string_view text, int at, int indent)
{
    std::u16string wrapped;
    int column = at;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(u' ', start);
        const std::u16string_view word = text.substr(start, end == std::u16string_view::npos ? end : end - start);
        if (column > indent && column + 1 + int(word.size()) > 80) {
            wrapped += u'\n' + std::u16string(std::size_t(indent), u' ');
            column = indent;
        } else if (!wrapped.empty()) {
            wrapped += u' ';
            ++column;
        }
        wrapped += word;
        column += int(word.size());
        if (end == std::u16string_view::npos)
            break;
        start = end + 1;
    }
    return wrapped;
}

std::u16string LowerCase(std::u16string_view text)
{
    std::u16string lower;
    lower.reserve(text.size());
#ifdef _WIN32
    lower.assign(text);
    if (!lower.empty())
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, reinterpret_cast<LPCWSTR>(text.data()),
                        int(text.size()), reinterpret_cast<LPWSTR>(lower.data()), int(lower.size()), nullptr,
                        nullptr, 0);
#else
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80)
            c = (c >= u'A' && c <= u'Z') ? c + 32 : c;
        else if (utf8 && (c < 0xD800 || c > 0xDFFF))
            c = char32_t(::towlower_l(wint_t(c), utf8));
        if (c >= 0x10000) {
            lower += char16_t(0xD800 + ((c - 0x10000) >> 10));
            lower += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            lower += char16_t(c);
        }
    }
#endif
    return lower;
}

} // namespace vt

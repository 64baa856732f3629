#include "CsvFile.h"

#include <QStringDecoder>

#include <csv.h>

#include <cstring>
#include <memory>

namespace {

// What the parser callbacks build up while one input is fed line by line.
struct ParseState
{
    std::vector<CsvRecord>* records = nullptr;
    CsvRecord current;
    bool rowOpen = false;
    int line = 0; // the line being fed
    // Every field is decoded on its own; without ConvertInitialBom a field
    // beginning with U+FEFF would lose it.
    QStringDecoder utf8{QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
};

void OnField(void* data, std::size_t length, void* opaque)
{
    auto& state = *static_cast<ParseState*>(opaque);
    if (!state.rowOpen) {
        // A row that starts after a lone CR in the middle of a line.
        state.rowOpen = true;
        state.current.line = state.line;
    }
    QString text = state.utf8.decode(QByteArrayView(static_cast<const char*>(data), qsizetype(length)));
    if (state.utf8.hasError()) {
        state.current.badUtf8 = true;
        state.utf8.resetState();
    }
    state.current.fields.push_back(std::move(text));
}

void OnRowEnd(int, void* opaque)
{
    auto& state = *static_cast<ParseState*>(opaque);
    state.records->push_back(std::move(state.current));
    state.current = CsvRecord{};
    state.rowOpen = false;
}

// Fields keep their blanks and tabs: an answer of one blank is a real answer.
int NoSpace(unsigned char)
{
    return 0;
}

bool IsBlankLine(QByteArrayView line)
{
    for (char c : line)
        if (c != '\r' && c != '\n')
            return false;
    return true;
}

struct ParserDeleter
{
    void operator()(csv_parser* parser) const
    {
        csv_free(parser);
        delete parser;
    }
};

} // namespace

QByteArrayView WithoutBom(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
}

QByteArrayView FirstLine(QByteArrayView bytes)
{
    qsizetype end = 0;
    while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
        ++end;
    return bytes.first(end);
}

CsvTable ParseCsv(QByteArrayView bytes, char delimiter)
{
    CsvTable table;
    std::unique_ptr<csv_parser, ParserDeleter> parser(new csv_parser);
    if (csv_init(parser.get(), CSV_STRICT | CSV_STRICT_FINI) != 0)
        throw std::bad_alloc();
    csv_set_delim(parser.get(), static_cast<unsigned char>(delimiter));
    csv_set_space_func(parser.get(), NoSpace);

    ParseState state;
    state.records = &table.records;
    // Feeding one line at a time tells on which line each record starts.
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const void* found = std::memchr(bytes.data() + pos, '\n', std::size_t(bytes.size() - pos));
        const qsizetype end = found ? static_cast<const char*>(found) - bytes.data() + 1 : bytes.size();
        const QByteArrayView chunk = bytes.sliced(pos, end - pos);
        ++state.line;
        if (!state.rowOpen && !IsBlankLine(chunk)) {
            state.rowOpen = true;
            state.current.line = state.line;
        }
        const std::size_t done =
            csv_parse(parser.get(), chunk.data(), std::size_t(chunk.size()), OnField, OnRowEnd, &state);
        if (done != std::size_t(chunk.size())) {
            table.failure = csv_error(parser.get()) == CSV_EPARSE
                                ? QStringLiteral("malformed CSV: a quote inside an unquoted field, "
                                                 "or text after a closing quote")
                                : QString::fromUtf8(csv_strerror(csv_error(parser.get()))).toLower();
            table.failureLine = state.line;
            return table;
        }
        pos = end;
    }
    if (csv_fini(parser.get(), OnField, OnRowEnd, &state) != 0 || csv_error(parser.get()) == CSV_EPARSE) {
        table.failure = QStringLiteral("malformed CSV: a quoted field is not closed");
        table.failureLine = state.current.line;
    }
    return table;
}

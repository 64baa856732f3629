#include "tables/FileStorage.h"

#include "base/BaseStorage.h"
#include "base/FileKind.h"
#include "base/FileNames.h"
#include "base/OutputFile.h"

#include <algorithm>
#include <cerrno>

namespace vt {

namespace {

/** A table file read in large blocks, its first one held back for a look
 *  at its content; a read error and more than InputFile::TableLimit bytes
 *  are errors that name the file. */
class TableInput : public InputStream
{
public:
    explicit TableInput(InputFile& file) : m_file(file) {}

    std::span<const std::uint8_t> Head()
    {
        if (!m_headRead) {
            m_head.resize(BlockBytes);
            m_head.resize(ReadFile(m_head.data(), m_head.size()));
            m_headRead = true;
        }
        return std::span(m_head).subspan(m_headPos);
    }

    std::size_t Read(std::uint8_t* data, std::size_t n) override
    {
        if (const std::span<const std::uint8_t> head = Head(); !head.empty()) {
            const std::size_t count = std::min(n, head.size());
            std::copy_n(head.begin(), count, data);
            m_headPos += count;
            return count;
        }
        return ReadFile(data, n);
    }

private:
    static constexpr std::size_t BlockBytes = std::size_t(1) << 20;

    std::size_t ReadFile(std::uint8_t* data, std::size_t n)
    {
        InputStream& in = m_file.Stream();
        const std::size_t got = in.Read(data, n);
        if (got == 0 && in.Failed())
            ThrowFileError(u"Cannot read file", m_file.Path(), errno);
        m_total += got;
        if (m_total > InputFile::TableLimit)
            ThrowTooLarge(m_file.Path(), InputFile::TableLimit);
        return got;
    }

    InputFile& m_file;
    std::vector<std::uint8_t> m_head;
    std::size_t m_headPos = 0;
    bool m_headRead = false;
    std::uint64_t m_total = 0;
};

/** Hands rows on to a builder as the options ask: every round replaced,
 *  and, when unfit questions are skipped, only the rows that a base of
 *  their own would take and that repeat no question passed on; notes and
 *  skipped questions are kept in `loaded`. */
class RowFilter : public RowSink
{
public:
    RowFilter(BaseBuilder& builder, const LoadOptions& options, LoadedFile& loaded)
        : m_builder(builder), m_options(options), m_loaded(loaded)
    {
    }

    void SetAnswerKey(AnswerKey key) override
    {
        m_key = key;
        m_builder.SetAnswerKey(std::move(key));
    }
    void AddRow(QuestionRow&& row) override
    {
        if (m_options.round != 0)
            row.round = Decimal(m_options.round);
        if (m_options.skipUnfit) {
            // The question's own faults, then a repeat of one kept.
            BaseBuilder alone(m_key);
            alone.Add(row);
            BuiltBase built = alone.Finish();
            if (built.findings.empty())
                m_kept.Check(row, built.findings);
            if (!built.findings.empty()) {
                for (Finding& finding : built.findings)
                    Keep(m_loaded.skipped, m_loaded.skippedCount, std::move(finding));
                return;
            }
        }
        m_builder.AddRow(std::move(row));
    }
    void AddInputFinding(Finding finding) override { m_builder.AddInputFinding(std::move(finding)); }
    void AddUnfitQuestion(Finding finding) override
    {
        if (m_options.skipUnfit)
            Keep(m_loaded.skipped, m_loaded.skippedCount, std::move(finding));
        else
            m_builder.AddInputFinding(std::move(finding));
    }
    void AddNote(Finding finding) override { Keep(m_loaded.notes, m_loaded.noteCount, std::move(finding)); }
    bool Full() const override { return m_builder.Full(); }
    void Discard() override
    {
        m_builder.Discard();
        m_kept = RowChecker(false);
        m_loaded.skipped.clear();
        m_loaded.skippedCount = 0;
        m_loaded.notes.clear();
        m_loaded.noteCount = 0;
    }

private:
    static void Keep(Findings& kept, std::size_t& count, Finding finding)
    {
        ++count;
        if (kept.size() < KeptFindings)
            kept.push_back(std::move(finding));
    }

    BaseBuilder& m_builder;
    const LoadOptions& m_options;
    LoadedFile& m_loaded;
    AnswerKey m_key;
    RowChecker m_kept{false}; // only the repeat check of the questions kept
};

} // namespace

LoadedFile LoadFile(const std::string& path, const FileFormat* format, const LoadOptions& options)
{
    LoadedFile loaded;
    if (format && !format->table) {
        loaded.base = LoadBaseFile(path, &loaded.id);
        loaded.format = format;
        return loaded;
    }
    InputFile file(path);
    loaded.id = file.Id();
    TableInput input(file);
    const std::span<const std::uint8_t> head = input.Head();
    loaded.head.assign(head.begin(), head.begin() + std::ptrdiff_t(std::min(head.size(), FileKindHeadBytes)));
    loaded.format = format ? format : &TableFormatOfFile(path, head);
    BaseBuilder builder;
    RowFilter rows(builder, options, loaded);
    loaded.format->read(input, rows);
    BuiltBase built = builder.Finish();
    loaded.base.Swap(built.base);
    loaded.findings = std::move(built.findings);
    loaded.findingCount = built.findingCount;
    return loaded;
}

namespace {

Findings Unwritable(const QuestionBase& base, const FileFormat& format)
{
    if (format.checkLimits)
        format.checkLimits(base);
    return format.unwritable ? format.unwritable(base) : Findings();
}

} // namespace

Findings SaveTo(const QuestionBase& base, OutputStream& out, const FileFormat& format,
                const WriteOptions& options)
{
    Findings unwritable = Unwritable(base, format);
    if (unwritable.empty())
        format.write(base, out, options);
    return unwritable;
}

Findings SaveFile(const QuestionBase& base, const std::string& path, const FileFormat& format,
                  const WriteOptions& options, const std::vector<FileId>& inputs)
{
    Findings unwritable = Unwritable(base, format);
    if (unwritable.empty())
        WriteOutputFile(
            path, [&](OutputStream& out) { format.write(base, out, options); }, inputs);
    return unwritable;
}

} // namespace vt

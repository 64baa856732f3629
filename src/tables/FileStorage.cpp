#include "FileStorage.h"

#include "BaseStorage.h"
#include "FileKind.h"
#include "FileNames.h"
#include "OutputFile.h"

#include <algorithm>
#include <cerrno>

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

} // namespace

LoadedFile LoadFile(const std::string& path, const FileFormat* format)
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
    loaded.format->read(input, builder);
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

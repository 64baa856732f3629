#include "FileStorage.h"

#include "BaseStorage.h"
#include "OutputFile.h"

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
    const std::vector<std::uint8_t> bytes = file.ReadAll();
    loaded.format = format ? format : &TableFormatOfFile(path, bytes);
    BuiltBase built = loaded.format->read(bytes);
    loaded.base.Swap(built.base);
    loaded.findings = std::move(built.findings);
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

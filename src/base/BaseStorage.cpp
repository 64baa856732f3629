#include "base/BaseStorage.h"

#include "base/BaseFormat.h"
#include "base/InputFile.h"
#include "base/OutputFile.h"

namespace vt {

QuestionBase LoadBaseFile(const std::string& path, FileId* id)
{
    InputFile file(path);
    if (id)
        *id = file.Id();
    QuestionBase base;
    ReadBase(file.BlockStream(), base);
    return base;
}

void SaveBaseFile(const QuestionBase& base, const std::string& path, const std::function<void(int)>& notify)
{
    CheckBaseLimits(base);
    // The lengths are shown while the base is written, not while it is measured.
    const std::function<void(int)> quiet = [](int) {};
    WriteOutputFile(path,
                    [&](OutputStream& out) { WriteCheckedBase(base, out, out.Measures() ? quiet : notify); });
}

} // namespace vt

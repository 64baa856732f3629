#include "BaseStorage.h"

#include "BaseFormat.h"
#include "InputFile.h"
#include "OutputFile.h"

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
    WriteOutputFile(path, [&](OutputStream& out) { WriteCheckedBase(base, out, notify); });
}

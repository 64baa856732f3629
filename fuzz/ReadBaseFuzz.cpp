// Feeds arbitrary bytes to ReadBase and checks that the base only ever grows
// by whole records: eight entries for every record that was complete in the
// input, and none for a record cut short.

#include "base/BaseFormat.h"
#include "base/ByteStream.h"
#include "base/QuestionBase.h"
#include "text/Error.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vt;

namespace {

[[noreturn]] void Fail(const char* what, long long a, long long b)
{
    std::fprintf(stderr, "%s: %lld vs %lld\n", what, a, b);
    std::abort();
}

// The count that the header holds, read independently of ReadBase: bytes
// past the end of the input keep those of blanks.
bool HeaderCount(const std::uint8_t* data, std::size_t size, std::int32_t& count)
{
    std::uint8_t bytes[BaseHeaderBytes];
    for (std::size_t i = 0; i < BaseHeaderBytes; ++i)
        bytes[i] = i < size ? data[i] : (i % 2 == 0 ? 0x20 : 0x00);
    std::u16string header;
    for (std::size_t i = 0; i < BaseHeaderBytes; i += 2)
        header += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    try {
        count = DecodeHeader(header);
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int32_t count = 0;
    const bool headerOk = HeaderCount(data, size, count);
    const long long available = size > BaseHeaderBytes ? (size - BaseHeaderBytes) / BaseRecordBytes : 0;
    const long long complete = headerOk ? std::min<long long>(std::max(count, 0), available) : 0;
    const bool shortInput = headerOk && count > available;

    MemoryInputStream in(data, size);
    QuestionBase base;
    bool failed = false;
    try {
        ReadBase(in, base);
    } catch (const Error& e) {
        failed = true;
        if (shortInput && e.Message() != u"Stream read error")
            Fail("wrong error for a short input", 0, 0);
    }

    if (base.EntryCount() % EntriesPerQuestion != 0)
        Fail("entries not a multiple of 8", base.EntryCount(), 0);
    if (base.EntryCount() != EntriesPerQuestion * complete)
        Fail("entries vs complete records", base.EntryCount(), EntriesPerQuestion * complete);
    if (failed != (!headerOk || shortInput))
        Fail("failure reported wrongly", failed, shortInput);

    // Each record read is one round code unit and fields no wider than the format's.
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const QuestionRecord record = base.Record(k);
        if (record.round.size() != 1 || record.question.size() > 255 || record.correct.size() > 1)
            Fail("field wider than the format", k, 0);
        for (const auto& answer : record.answers)
            if (answer.size() > 40 || answer.find(u'|') != std::u16string::npos)
                Fail("answer wider than the format or holding a bar", k, 0);
    }
    return 0;
}

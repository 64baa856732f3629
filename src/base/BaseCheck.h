#pragma once

#include "base/ByteStream.h"
#include "base/QuestionBase.h"

#include "base/Finding.h"

#include <array>

namespace vt {

/** What reading a base file as the editor does revealed. */
struct BaseCheckReport
{
    int headerCount = 0;                    // the count the header states
    int questionCount = 0;                  // complete records read (at most the header count)
    std::array<int, RoundCount> perRound{}; // questions of rounds 1 to 5
    int otherRounds = 0;                    // questions whose round is not 1 to 5
    Findings findings;                      // placed at "question <k>" or at the "header"
};

/** Reads a base file as the editor's load does, record by record, and checks
 *  it: a file shorter than its header promises, bytes after the last record,
 *  a negative count, and for every complete record the faults that
 *  RowChecker finds. Questions are numbered
 *  from 0, as the editor's question list numbers them.
 *  Throws the header's conversion error ("''<text>'' is not a valid integer
 *  value") when the file cannot be read at all. */
BaseCheckReport CheckBaseFile(InputStream& in);

} // namespace vt

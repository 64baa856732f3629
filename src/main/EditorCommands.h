#pragma once

#include "base/QuestionBase.h"
#include "main/EditorFields.h"

#include <cstdint>

#include <string_view>

namespace vt {

class FileDialog;

/** The question editing commands of the main window, written against the
 *  window's fields and the base only, so they run the same over the real
 *  controls and over an in-memory view. Errors of the base and of number
 *  conversions are thrown (Error) and end a command at the failing step;
 *  refusals and successes are event-log lines. */
namespace Commands {

/** Whether the fields hold what the round needs: a question text, answers 0
 *  and 1, and answer n (2 to 4) when the round value is above n - 1. "Empty"
 *  is the empty text only; blanks count as filled. The round value is read
 *  only when answer 2, 3 or 4 is empty. */
bool FieldsComplete(EditorFields& fields);

/** The number at the start of a question label: its leading decimal digits,
 *  0 when it does not begin with one. An absurdly long number saturates at
 *  INT32_MAX, which lies beyond any base. */
std::int32_t LabelNumber(std::u16string_view label);

/** "Add Question": with no line selected appends the fields as a new question
 *  (refusing a question text already in the base); with line k selected
 *  writes them over question k and clears the selection. Incomplete fields
 *  and repeats are refused with a log line. Throws the list-index error when
 *  the selected line lies beyond the base; nothing is changed then. */
void btnAddClick(EditorFields& fields, QuestionBase& base);

/** Double-click on the question list: loads the question whose number the
 *  selected line shows into the fields (round first, so the answer boxes are
 *  enabled for it before the texts arrive), and keeps the line selected.
 *  Throws the list-index error with -1 when no line is selected or with 8k
 *  when question k is not in the base, and the conversion error when the
 *  stored round (nothing changed) or index (round and texts already loaded)
 *  is not a number. */
void qlistDblClick(EditorFields& fields, QuestionBase& base);

/** Change of the round selector: enables answers 2 to 4, then disables those
 *  that the round value 1, 2 or 3 does not use. Reading the value may replace
 *  a non-number by 1, which runs this handler again nested. */
void edRoundChange(EditorFields& fields);

/** "Load Base": asks for a file in the open dialog (a cancel changes
 *  nothing), proposes it to the save dialog, reads it into a new base that
 *  then replaces `base`, logs the two load lines and shows the new base's
 *  questions with no line selected. A file whose extension a table format
 *  claims (FormatOfExtension: ".csv", ".tsv", ".txt", ".json", letter case
 *  aside) is a table, built into a base as vertalina-base build builds it;
 *  any other is a base file. Throws the errors of LoadFile, or an Error
 *  naming the file and listing the table's first findings; the base and the
 *  list unchanged then. */
void btnLoadClick(EditorFields& fields, QuestionBase& base, FileDialog& openDialog, FileDialog& saveDialog);

/** "Save Base": asks for a file in the save dialog (a cancel changes
 *  nothing), writes the base there through SaveFile, showing each record's
 *  length as the caption, and logs the save line with the file's name. A
 *  file whose extension a table format claims gets the table that
 *  vertalina-base export writes, and the caption is left alone. Throws the
 *  errors of SaveFile, or an Error listing the texts that the format cannot
 *  carry (nothing written); nothing is logged then. A save that went
 *  through but that the system could not confirm will survive a crash
 *  (SaveNotConfirmed) is logged as such, with the system's reason. */
void btnSaveClick(EditorFields& fields, const QuestionBase& base, FileDialog& saveDialog);

} // namespace Commands

} // namespace vt

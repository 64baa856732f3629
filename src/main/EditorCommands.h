#pragma once
// Temporary stand-in until the editing commands land.
#include "EditorFields.h"
#include "QuestionBase.h"
namespace Commands {
inline void btnAddClick(EditorFields&, QuestionBase&) {}
inline void qlistDblClick(EditorFields&, QuestionBase&) {}
inline void edRoundChange(EditorFields&) {}
}

#pragma once
// The one-step edit history: recording calls used by the operations of the other subsystems, and
// "Отменить" / "Повторить". The state itself (THistoryState) lives in the document.
#include "core/bitmap32.h"

namespace kv {

class TDocument;

// Colour adjustments and effects: the selected layer's picture, or the base picture (777).
void RecordEffectStep(TDocument& doc);
// Image size: the base picture before the resize.
void RecordSizeStep(TDocument& doc);
// Canvas changes ("holst"): the base picture, or with bordPicture (the simple-border dialog's
// saved picture, the "BORD" variant) a copy of that picture.
void RecordCanvasStep(TDocument& doc, const TBitmap32* bordPicture = nullptr);
// Layer geometry: needs a selected bitmap layer (does nothing without one).
void RecordGeometryStep(TDocument& doc);
// Both sides become "none" (opening, paste as new, flatten).
void ClearHistory(TDocument& doc);

// "Отменить" and "Повторить". A step whose layer index no longer denotes a bitmap layer of the
// stack is dropped without touching anything.
void Undo(TDocument& doc);
void Redo(TDocument& doc);

// Enabling rules of "Отменить" and "Повторить" (menu opening and every view change).
bool UndoEnabled(const TDocument& doc);
bool RedoEnabled(const TDocument& doc);

} // namespace kv

#pragma once
#include <cstddef>

// The views shown so far, for "Back" and "Forward": the kind, the view of
// that kind in its exact arbitrary-precision form at its precision (and its
// extended form), the Julia constant and IterMax. Plain functions over the
// global state.

constexpr size_t ViewHistoryLimit = 1000;

// Called after every frame outside movies: a view that differs from the one
// at the current place is added after it, dropping the views ahead.
void RecordShownView();
// Restore the previous or next view and ask for its frame; false when there
// is none.
bool GoBackInHistory();
bool GoForwardInHistory();

size_t ViewHistorySize();
size_t ViewHistoryPlace();
void ClearViewHistory();

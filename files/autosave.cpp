#include "files/autosave.h"

// Backups arrive with the parameter files.
void AutosaveExtended() {}
void AutosaveDeep() {}

#include "files/autosave.h"

void AutosaveExtended()
{
    // Backups arrive with the parameter files.
}

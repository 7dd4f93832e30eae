#pragma once

// Backup of the finished frame while "Autosave parameter" is on.
void AutosaveExtended();

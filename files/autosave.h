#pragma once

// Backups of the finished frame while "Autosave parameter" is on.
void AutosaveExtended();
void AutosaveDeep();

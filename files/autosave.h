#pragma once
#include <ctime>
#include <string>

// Backups of the finished frame while "Autosave parameter" is on: a parameter
// file of an unsaved view in the backup folder, or the missing picture beside
// the file the view came from.
void AutosaveExtended();
void AutosaveDeep();

// The folder of the program file, with a trailing "/".
std::string ProgramFolder();
// ProgramFolder() + name + "/", or the user's data folder + "/" + name + "/"
// where the program folder is not writable; created when missing, empty when
// neither can be.
std::string WritableProgramSubfolder(const std::string& name);
// WritableProgramSubfolder("backup").
std::string BackupFolder();
// Month, day, four-digit year, hour, minute, second: 14 digits.
std::string BackupName(const std::tm& localTime);

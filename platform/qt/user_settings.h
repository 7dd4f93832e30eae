#pragma once
#include <string>

// Choices of the user that outlive the program, kept in the user's settings
// (not in parameter files, which describe pictures).
void LoadUserSettings();
void SaveUserSettings();

// The folder a file dialog for this kind of file was last answered in;
// empty when none was.
std::string LastFolder(const std::string& kind);
void RememberLastFolder(const std::string& kind, const std::string& folder);

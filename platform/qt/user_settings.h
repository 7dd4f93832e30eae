#pragma once

// Choices of the user that outlive the program, kept in the user's settings
// (not in parameter files, which describe pictures).
void LoadUserSettings();
void SaveUserSettings();

#pragma once
#include <QLockFile>
#include <QStringList>
#include <memory>
#include <string>

// The single-instance lock named Quorvatix in the user's runtime folder.
// Null when another instance holds it (or it cannot be made).
std::unique_ptr<QLockFile> AcquireSingleInstanceLock(bool* alreadyRunning);

// The command line as one text with every double-quote character removed,
// so a path with blanks arrives whole whether the shell split it or not.
std::string CommandLineFile(const QStringList& arguments);

// Loads the file named on the command line, any layout: a file with picture
// shows its picture without computing, a parameter file asks for a frame.
// False (after the loader's message) for a refused file, quietly for a path
// that is empty or not a file.
bool LoadCommandLineFile(const std::string& path);

// Start-up of the desktop program; returns the exit status when the main
// loop ends.
int RunDesktop(int argc, char** argv);

#pragma once
#include <string>

// File dialogs start in the folder last used for the same kind of file:
// parameter files, pictures, movies, palettes, or the browser's folders.

// "Fractal", "Picture", "Movie", "Palette" or "Other", from the extensions
// of a "Desc (*.x)|*.X|" filter.
std::string FileDialogKind(const std::string& filter);
// Where a dialog for `fileName` (usually empty) starts: inside the folder
// last used for the kind, when it still exists; else `fallback`, or the
// name as it is.
std::string FileDialogStart(const std::string& kind, const std::string& fileName,
                            const std::string& fallback = {});
// Remembers the folder of a chosen file (or a chosen folder itself);
// an empty answer (cancelled) changes nothing.
void RememberChosenFile(const std::string& kind, const std::string& chosen);
void RememberChosenFolder(const std::string& kind, const std::string& chosen);

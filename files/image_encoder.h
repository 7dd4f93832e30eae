#pragma once
#include <string>

class QImage;

// Statuses of SaveImageByExtension besides 0 (written, or skipped because of
// the extension) and -1 (empty path).
constexpr int SaveImageNoEncoder = 1;     // no writer for the file type here
constexpr int SaveImageWriteFailed = 2;   // the writer or the file system failed

// The MIME type that the path's extension (text after the last ".") asks for;
// empty when the extension means that no file is written (none, unknown, DIB).
std::string PictureMimeType(const std::string& path);

// Looks the MIME type up among the image writers. On a match formatOut is the
// writer's format name and the result its number from 1; otherwise formatOut
// is empty and the result is the number of writers (-1 when there are none).
int FindEncoder(const std::string& mimeType, std::string& formatOut);

// Writes the image in the type chosen by the path's extension, quality 100,
// or 75 during autosave. 0 also when the extension means no file is written.
int SaveImageByExtension(const std::string& path, const QImage& image);

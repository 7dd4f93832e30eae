#include "platform/qt/file_dialog_folders.h"

#include <QRegularExpression>
#include <QString>
#include <filesystem>

#include "platform/qt/user_settings.h"

std::string FileDialogKind(const std::string& filter)
{
    struct Kind {
        const char* name;
        const char* pattern;
    };
    static const Kind Kinds[] = {
        {"Fractal", R"(\*\.(fra|fdz|fpi|fpz)\b)"},
        {"Picture", R"(\*\.(jpe?g|bmp|tiff?|png)\b)"},
        {"Movie", R"(\*\.avi\b)"},
        {"Palette", R"(\*\.pal\b)"},
    };
    const QString text = QString::fromStdString(filter);
    for (const Kind& kind : Kinds)
        if (text.contains(QRegularExpression(kind.pattern, QRegularExpression::CaseInsensitiveOption)))
            return kind.name;
    return "Other";
}

std::string FileDialogStart(const std::string& kind, const std::string& fileName, const std::string& fallback)
{
    const std::filesystem::path name(fileName);
    if (name.is_absolute())
        return fileName;
    std::error_code error;
    std::filesystem::path folder(LastFolder(kind));
    if (folder.empty() || !std::filesystem::is_directory(folder, error))
        folder = fallback;
    if (folder.empty())
        return fileName;
    return fileName.empty() ? folder.string() : (folder / name).string();
}

void RememberChosenFile(const std::string& kind, const std::string& chosen)
{
    if (!chosen.empty())
        RememberLastFolder(kind, std::filesystem::path(chosen).parent_path().string());
}

void RememberChosenFolder(const std::string& kind, const std::string& chosen)
{
    if (!chosen.empty())
        RememberLastFolder(kind, chosen);
}

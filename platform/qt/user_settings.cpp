#include "platform/qt/user_settings.h"

#include <QSettings>

#include "engine/fractal_state.h"

namespace {

constexpr char FastDeepZoomKey[] = "FastDeepZoom";
constexpr char LastFolderGroup[] = "LastFolder/";

// ~/.config/quorvatix/quorvatix.conf
QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "quorvatix", "quorvatix");
}

}  // namespace

void LoadUserSettings()
{
    const QSettings settings = UserSettings();
    State.FastDeepZoom = settings.value(FastDeepZoomKey, false).toBool() ? 1 : 0;
}

void SaveUserSettings()
{
    QSettings settings = UserSettings();
    settings.setValue(FastDeepZoomKey, State.FastDeepZoom == 1);
}

std::string LastFolder(const std::string& kind)
{
    return UserSettings().value(QString(LastFolderGroup) + QString::fromStdString(kind)).toString().toStdString();
}

void RememberLastFolder(const std::string& kind, const std::string& folder)
{
    QSettings settings = UserSettings();
    settings.setValue(QString(LastFolderGroup) + QString::fromStdString(kind), QString::fromStdString(folder));
}

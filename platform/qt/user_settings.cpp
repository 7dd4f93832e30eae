#include "platform/qt/user_settings.h"

#include <QSettings>

#include "engine/fractal_state.h"
#include "engine/supersampling.h"

namespace {

constexpr char FastDeepZoomKey[] = "FastDeepZoom";
constexpr char AdaptiveIterMaxKey[] = "AdaptiveIterMax";
constexpr char LastFolderGroup[] = "LastFolder/";
constexpr char SupersamplingKey[] = "Supersampling";

// ~/.config/quorvatix/quorvatix.conf
QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "quorvatix", "quorvatix");
}

}  // namespace

void LoadUserSettings()
{
    const QSettings settings = UserSettings();
    // A new user gets deep views that answer within seconds and are not cut off.
    State.FastDeepZoom = settings.value(FastDeepZoomKey, true).toBool() ? 1 : 0;
    State.AdaptiveIterMax = settings.value(AdaptiveIterMaxKey, true).toBool() ? 1 : 0;
    // A value edited by hand outside 1..8 is taken as 1 x 1.
    const int n = settings.value(SupersamplingKey, 1).toInt();
    Supersampling = n >= 1 && n <= MaxSupersampling ? n : 1;
}

void SaveUserSettings()
{
    QSettings settings = UserSettings();
    settings.setValue(FastDeepZoomKey, State.FastDeepZoom == 1);
    settings.setValue(AdaptiveIterMaxKey, State.AdaptiveIterMax == 1);
    settings.setValue(SupersamplingKey, Supersampling);
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

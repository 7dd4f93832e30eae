#include "platform/qt/user_settings.h"

#include <QSettings>

#include "engine/fractal_state.h"

namespace {

constexpr char FastDeepZoomKey[] = "FastDeepZoom";
constexpr char AdaptiveIterMaxKey[] = "AdaptiveIterMax";

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
}

void SaveUserSettings()
{
    QSettings settings = UserSettings();
    settings.setValue(FastDeepZoomKey, State.FastDeepZoom == 1);
    settings.setValue(AdaptiveIterMaxKey, State.AdaptiveIterMax == 1);
}

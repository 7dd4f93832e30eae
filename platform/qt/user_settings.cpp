#include "platform/qt/user_settings.h"

#include <QSettings>

#include "engine/fractal_state.h"

namespace {

constexpr char FastDeepZoomKey[] = "FastDeepZoom";

}  // namespace

void LoadUserSettings()
{
    const QSettings settings;
    State.FastDeepZoom = settings.value(FastDeepZoomKey, false).toBool() ? 1 : 0;
}

void SaveUserSettings()
{
    QSettings settings;
    settings.setValue(FastDeepZoomKey, State.FastDeepZoom == 1);
}

#pragma once
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStringList>

#include <cstdint>
#include <vector>

#include "engine/fractal_state.h"
#include "files/parameter_file.h"

// The batch renderer's picture of the desktop's current view at its picture
// size, with further options; null when it could not be made. The view
// travels as the desktop's own parameter file, written into `folder`.
inline QImage RendererPictureOfView(const QString& folder, const QStringList& options = {})
{
    const QString view = folder + "/view.fra";
    const std::vector<uint8_t> bytes = FraFileBytes();
    QFile file(view);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
        return {};
    file.close();
    const QString output = folder + "/rendered.png";
    QProcess renderer;
    renderer.start(QX_RENDERER, QStringList{view, "--size", QString("%1x%2").arg(State.PicWidth).arg(State.PicHeight)} +
                                    options + QStringList{"-o", output});
    if (!renderer.waitForFinished(120000) || renderer.exitCode() != 0)
        return {};
    return QImage(output).convertToFormat(QImage::Format_RGB32);
}

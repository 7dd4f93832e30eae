#include "platform/qt/web_browser.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The desktop's opener hands web pages to a browser only when one is
// registered; otherwise it fails quietly, long after it was started.
bool WebBrowserRegistered()
{
    if (QStandardPaths::findExecutable("xdg-open").isEmpty())
        return false;
    if (!qEnvironmentVariableIsEmpty("BROWSER") || !QStandardPaths::findExecutable("x-www-browser").isEmpty())
        return true;
    QProcess query;
    query.start("xdg-mime", {"query", "default", "text/html"});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

bool ShowInWebBrowser(const std::string& path)
{
    if (!WebBrowserRegistered())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
}

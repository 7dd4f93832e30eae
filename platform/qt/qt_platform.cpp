#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStringList>

#include "platform/qt/file_dialog_folders.h"
#include "platform/qt/picture_surface.h"

QtPlatform::QtPlatform() { qApp->installEventFilter(this); }

QtPlatform::~QtPlatform()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void QtPlatform::SetWindows(QWidget* mainWindow, QWidget* pictureWindow)
{
    mainWindow_ = mainWindow;
    pictureWindow_ = pictureWindow;
}

bool QtPlatform::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        escapePressed_ = true;
    return QObject::eventFilter(watched, event);
}

void QtPlatform::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool QtPlatform::EscapePressed()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::processEvents();
    return escapePressed_.exchange(false);
}

void QtPlatform::SetMainTitle(const std::string& title)
{
    if (mainWindow_)
        mainWindow_->setWindowTitle(QString::fromStdString(title));
}

void QtPlatform::SetPictureTitle(const std::string& title)
{
    if (pictureWindow_)
        pictureWindow_->setWindowTitle(QString::fromStdString(title));
}

void QtPlatform::SetInputWindowsEnabled(bool enabled)
{
    // Only the menus and the mouse are shut off: a disabled window would
    // also lose the keyboard, and Esc must still stop the frame.
    if (auto* main = dynamic_cast<QMainWindow*>(mainWindow_.data()))
        main->menuBar()->setEnabled(enabled);
    else if (mainWindow_)
        mainWindow_->setEnabled(enabled);
    if (pictureWindow_)
        pictureWindow_->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
    if (setToolWindowsEnabled_)
        setToolWindowsEnabled_(enabled);
    // An Esc that closed a menu or a dialog before the frame (or came after
    // it) belongs to no frame.
    escapePressed_ = false;
}

void QtPlatform::ShowFrameImage(const uint32_t* pixels, int32_t width, int32_t height)
{
    if (auto* surface = dynamic_cast<PictureSurface*>(pictureWindow_.data()))
        surface->ShowPicture(pixels, width, height);
}

void QtPlatform::ShowFrameRow(int32_t row, const uint32_t* pixels, int32_t width)
{
    if (auto* surface = dynamic_cast<PictureSurface*>(pictureWindow_.data()))
        surface->ShowRow(row, pixels, width);
}

void QtPlatform::RefreshToolWindows()
{
    if (refreshToolWindows_)
        refreshToolWindows_(false);
}

void QtPlatform::ShowChangesInToolWindows()
{
    if (refreshToolWindows_)
        refreshToolWindows_(true);
}

void QtPlatform::InvalidatePictureWindow()
{
    if (pictureWindow_)
        pictureWindow_->update();
}

void QtPlatform::ResizePictureArea(int32_t width, int32_t height)
{
    if (auto* surface = dynamic_cast<PictureSurface*>(pictureWindow_.data()))
        surface->resize(surface->WindowSizeFor(width, height));
}

void QtPlatform::MovePictureWindow(int32_t x, int32_t y)
{
    if (pictureWindow_)
        pictureWindow_->move(x, y);
}

MessageAnswer QtPlatform::ShowMessage(const std::string& text, const std::string& caption,
                                      MessageButtons buttons)
{
    if (answerer_)
        return answerer_->ShowMessage(text, caption, buttons);
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    QMessageBox::StandardButton preferred = QMessageBox::Ok;
    switch (buttons) {
    case MessageButtons::Ok: break;
    case MessageButtons::OkCancel:
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        preferred = QMessageBox::Cancel;
        break;
    case MessageButtons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        preferred = QMessageBox::Yes;
        break;
    case MessageButtons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        preferred = QMessageBox::Yes;
        break;
    }
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption), QString::fromStdString(text),
                    standard, mainWindow_ ? mainWindow_.data() : pictureWindow_.data());
    box.setDefaultButton(preferred);
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: return MessageAnswer::Cancel;
    }
}

std::string QtPlatform::AskText(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer)
{
    if (answerer_)
        return answerer_->AskText(prompt, title, defaultAnswer);
    bool ok = false;
    const QString answer =
        QInputDialog::getText(nullptr, QString::fromStdString(title), QString::fromStdString(prompt),
                              QLineEdit::Normal, QString::fromStdString(defaultAnswer), &ok);
    return ok ? answer.toStdString() : std::string();
}

QString ToolkitFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype k = 0; k < parts.size(); k += 2)
        filters << parts[k];
    return filters.join(";;");
}

std::string QtPlatform::AskOpenFile(const FileDialogRequest& request)
{
    const std::string kind = FileDialogKind(request.filter);
    FileDialogRequest started = request;
    started.fileName = FileDialogStart(kind, request.fileName);
    const std::string chosen =
        answerer_ ? answerer_->AskOpenFile(started)
                  : QFileDialog::getOpenFileName(mainWindow_, QString::fromStdString(started.title),
                                                 QString::fromStdString(started.fileName),
                                                 ToolkitFilter(started.filter))
                        .toStdString();
    RememberChosenFile(kind, chosen);
    return chosen;
}

std::string QtPlatform::AskSaveFile(const FileDialogRequest& request)
{
    const std::string kind = FileDialogKind(request.filter);
    FileDialogRequest started = request;
    started.fileName = FileDialogStart(kind, request.fileName);
    std::string chosen;
    if (answerer_) {
        chosen = answerer_->AskSaveFile(started);
    } else {
        QFileDialog dialog(mainWindow_, QString::fromStdString(started.title),
                           QString::fromStdString(started.fileName), ToolkitFilter(started.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QString::fromStdString(started.defaultExtension).toLower());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first().toStdString();
    }
    RememberChosenFile(kind, chosen);
    return chosen;
}

std::string QtPlatform::AskFolder(const std::string& title, const std::string& startFolder)
{
    constexpr char Kind[] = "Folder";
    const std::string start = FileDialogStart(Kind, {}, startFolder);
    const std::string chosen =
        answerer_ ? answerer_->AskFolder(title, start)
                  : QFileDialog::getExistingDirectory(mainWindow_, QString::fromStdString(title),
                                                      QString::fromStdString(start))
                        .toStdString();
    RememberChosenFolder(Kind, chosen);
    return chosen;
}

#include "windows/browser_window.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include "nav/fractal_browser.h"
#include "engine/fractal_state.h"
#include "files/autosave.h"
#include "platform/platform.h"

namespace {

constexpr int WindowLeft = 100;
constexpr int WindowTop = 100;
constexpr int WindowWidth = 540;
constexpr int WindowHeight = 480;
constexpr int TitleLength = 255;

QPointer<BrowserWindow> openBrowser;

QString FromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// A picture that fits the area is drawn as it is, a larger one reduced to
// the area; null when the file cannot be loaded.
QPixmap ThumbnailPixmap(const std::string& path)
{
    QImage image;
    if (!image.load(FromPath(path)))
        return {};
    if (image.width() > ThumbnailWidth || image.height() > ThumbnailHeight)
        image = image.scaled(ThumbnailWidth, ThumbnailHeight, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    return QPixmap::fromImage(image);
}

QString WindowTitleFor(const std::string& fileName)
{
    QString title = FromPath(fileName);
    if (title.size() > TitleLength) {
        title.truncate(TitleLength);
        if (title.back().isHighSurrogate())
            title.chop(1);
    }
    return title;
}

}  // namespace

BrowserWindow::BrowserWindow(QWidget* owner, std::vector<std::string> paths)
    : ToolWindow(owner, "BROWSE FRACTAL PARAMETER FILES"), paths_(std::move(paths))
{
    thumbnail_ = new QLabel(Controls());
    thumbnail_->setObjectName("thumbnail");
    thumbnail_->setGeometry(10, 40, ThumbnailWidth, ThumbnailHeight);
    thumbnail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    description_ = new QLabel("FRACTAL: \n\nPrecision:", Controls());
    description_->setGeometry(200, 40, 200, 50);
    description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    list_ = new QListWidget(Controls());
    list_->setGeometry(10, 210, 380, 200);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    for (const std::string& path : paths_)
        list_->addItem(FromPath(path));
    // Selections only: the current row that focus alone sets chooses nothing.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        if (!selected.isEmpty())
            ChooseRow(list_->row(selected.first()));
    });

    auto* redraw = new QPushButton("REDRAW", Controls());
    redraw->setGeometry(50, 450, 80, 25);
    connect(redraw, &QPushButton::clicked, this, [] { PressBrowserRedraw(); });

    makeThumbnail_ = new QPushButton("MAKE THUMBNAIL", Controls());
    makeThumbnail_->setGeometry(300, 450, 140, 25);
    connect(makeThumbnail_, &QPushButton::clicked, this, [] { MakeBrowserThumbnail(); });

    move(WindowLeft, WindowTop);
    setFixedSize(WindowWidth, WindowHeight);
}

void BrowserWindow::Refresh(bool keepEdits)
{
    // After every frame and load the browser stays in front of the picture.
    if (!keepEdits)
        raise();
}

void BrowserWindow::ChooseRow(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= paths_.size())
        return;
    // Choosing may compute a thumbnail, and the window may be closed meanwhile.
    const QPointer<BrowserWindow> self(this);
    const BrowserSelection selection = ChooseBrowserFile(paths_[static_cast<size_t>(row)]);
    if (self && selection.accepted)
        ShowSelection(selection);
}

void BrowserWindow::ShowSelection(const BrowserSelection& selection)
{
    thumbnail_->clear();
    if (!selection.thumbnailPath.empty())
        thumbnail_->setPixmap(ThumbnailPixmap(selection.thumbnailPath));
    if (selection.makeThumbnailEnabled)
        makeThumbnail_->setEnabled(*selection.makeThumbnailEnabled);
    if (selection.description)
        description_->setText(QString::fromStdString(*selection.description));
    setWindowTitle(WindowTitleFor(State.TitleFileName));
}

void OpenBrowseFractalsCommand(QWidget* owner)
{
    delete openBrowser.data();
    Platform& platform = CurrentPlatform();
    const std::string folder = platform.AskFolder("SELECT PARAMETER FOLDER", ProgramFolder() + "gallery");
    if (folder.empty())
        return;
    std::vector<std::string> paths;
    if (!ListParameterFiles(folder, paths)) {
        platform.ShowMessage("The folder cannot be read:\n" + folder, "QUORVATIX", MessageButtons::Ok);
        return;
    }
    if (paths.empty()) {
        platform.ShowMessage("No parameterfiles found in this folder!", "QUORVATIX\"", MessageButtons::Ok);
        return;
    }
    openBrowser = new BrowserWindow(owner, std::move(paths));
    openBrowser->show();
    openBrowser->raise();
    openBrowser->activateWindow();
}

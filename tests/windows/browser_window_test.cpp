#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "windows/browser_window.h"
#include "nav/fractal_browser.h"
#include "running_program.h"

namespace fs = std::filesystem;

// The browser opened by its command on a folder of seed files, with the
// program's windows on the offscreen platform.
class BrowserWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;
    std::unique_ptr<QTemporaryDir> folder;

    std::string PathOf(const char* name) const { return folder->filePath(name).toStdString(); }

    void Seed(const char* seed, const char* name)
    {
        fs::copy_file(fs::path(__FILE__).parent_path().parent_path() / "data" / seed, PathOf(name));
    }

    static BrowserWindow* OpenBrowser()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* browser = dynamic_cast<BrowserWindow*>(window))
                return browser;
        return nullptr;
    }

    BrowserWindow* Browse(const std::string& chosenFolder)
    {
        program->answers.answers.push_back(chosenFolder);
        OpenBrowseFractalsCommand(program->menu.get());
        return OpenBrowser();
    }

    static void Choose(BrowserWindow* browser, const std::string& path)
    {
        auto* list = browser->findChild<QListWidget*>();
        const QList<QListWidgetItem*> items = list->findItems(QString::fromStdString(path), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        list->setCurrentItem(items.first());
    }

    static QPushButton* Button(BrowserWindow* browser, const QString& text)
    {
        for (QPushButton* button : browser->findChildren<QPushButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    static QString Description(BrowserWindow* browser)
    {
        for (QLabel* label : browser->findChildren<QLabel*>())
            if (label->text().startsWith("FRACTAL:"))
                return label->text();
        return {};
    }

    static QPixmap Thumbnail(BrowserWindow* browser)
    {
        return browser->findChild<QLabel*>("thumbnail")->pixmap();
    }

private slots:
    void init()
    {
        program = std::make_unique<RunningProgram>(200, 150);
        Browser = FractalBrowserState();

        folder = std::make_unique<QTemporaryDir>();
        Seed("mandelbrot.fra", "m.fra");
        Seed("julia.fra", "j.fra");
        Seed("deep.fdz", "d.fdz");
        Seed("julia.fra", "x.fox");
        // A thumbnail larger than its area is reduced to it.
        QImage large(300, 200, QImage::Format_RGB32);
        large.fill(Qt::red);
        QVERIFY(large.save(QString::fromStdString(PathOf("m.fra.jpg"))));
    }

    void cleanup()
    {
        delete OpenBrowser();
        program.reset();
        folder.reset();
    }

    void opensOnAFolderWithFilesOnly()
    {
        QTemporaryDir empty;
        QVERIFY(!Browse(empty.path().toStdString()));
        QVERIFY(!Browse(PathOf("missing")));
        QVERIFY(!Browse(""));
        QCOMPARE(program->answers.messages.size(), size_t{2});
        QCOMPARE(program->answers.messages[0].text, std::string("No parameterfiles found in this folder!"));
        QCOMPARE(program->answers.messages[0].caption, std::string("QUORVATIX\""));
        QCOMPARE(program->answers.messages[1].text, "The folder cannot be read:\n" + PathOf("missing"));

        BrowserWindow* browser = Browse(folder->path().toStdString());
        QVERIFY(browser);
        QCOMPARE(browser->windowTitle(), QString("BROWSE FRACTAL PARAMETER FILES"));
        QCOMPARE(browser->pos(), QPoint(100, 100));
        QCOMPARE(browser->size(), QSize(540, 480));
        auto* list = browser->findChild<QListWidget*>();
        QCOMPARE(list->geometry(), QRect(10, 210, 380, 200));
        QStringList shown;
        for (int row = 0; row < list->count(); ++row)
            shown << list->item(row)->text();
        QStringList expected;
        for (const char* name : {"d.fdz", "j.fra", "m.fra", "x.fox"})
            expected << QString::fromStdString(PathOf(name));
        QCOMPARE(shown, expected);
        QCOMPARE(Description(browser), QString("FRACTAL: \n\nPrecision:"));
        QCOMPARE(Button(browser, "MAKE THUMBNAIL")->geometry(), QRect(300, 450, 140, 25));

        // The command again starts over with one browser.
        Browse(folder->path().toStdString());
        int browsers = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            browsers += dynamic_cast<BrowserWindow*>(window) ? 1 : 0;
        QCOMPARE(browsers, 1);
    }

    void choosingShowsTheThumbnailAndDescription()
    {
        std::ofstream(PathOf("bad.fra"), std::ios::binary) << "damaged";
        BrowserWindow* browser = Browse(folder->path().toStdString());
        Choose(browser, PathOf("m.fra"));
        QCOMPARE(Thumbnail(browser).size(), QSize(176, 144));
        QCOMPARE(Description(browser), QString("FRACTAL: Mandelbrot\n\nPrecision: 80"));
        QVERIFY(!Button(browser, "MAKE THUMBNAIL")->isEnabled());
        QCOMPARE(browser->windowTitle(), QString::fromStdString(PathOf("m.fra")));

        Choose(browser, PathOf("d.fdz"));
        QVERIFY(Thumbnail(browser).isNull());
        QCOMPARE(Description(browser), QString("FRACTAL: Mandelbrot\n\nPrecision: 96"));
        QVERIFY(Button(browser, "MAKE THUMBNAIL")->isEnabled());

        // A damaged file is refused; the window keeps showing the last good one.
        Choose(browser, PathOf("bad.fra"));
        QCOMPARE(program->answers.messages.size(), size_t{1});
        QCOMPARE(Description(browser), QString("FRACTAL: Mandelbrot\n\nPrecision: 96"));
        QCOMPARE(browser->windowTitle(), QString::fromStdString(PathOf("d.fdz")));

        // After a frame the browser is refreshed without losing the choice.
        CurrentPlatform().RefreshToolWindows();
        const QListWidgetItem* current = browser->findChild<QListWidget*>()->currentItem();
        QCOMPARE(current->text(), QString::fromStdString(PathOf("bad.fra")));
        Choose(browser, PathOf("m.fra"));
        QCOMPARE(browser->windowTitle(), QString::fromStdString(PathOf("m.fra")));
    }

    void thumbnailFrameMovesThePictureWindowAndRedrawBringsItBack()
    {
        BrowserWindow* browser = Browse(folder->path().toStdString());
        Choose(browser, PathOf("j.fra"));
        RunningProgram::WaitForFrame();
        QVERIFY(fs::exists(PathOf("j.fra.jpg")));
        QCOMPARE(program->picture->size(), QSize(176, 144));
        QCOMPARE(program->picture->pos(), QPoint(40, 400));
        QCOMPARE(Description(browser), QString("FRACTAL: Julia\n\nPrecision: 80"));
        QCOMPARE(browser->findChild<QListWidget*>()->currentItem()->text(), QString::fromStdString(PathOf("j.fra")));

        QTest::mouseClick(Button(browser, "REDRAW"), Qt::LeftButton);
        RunningProgram::WaitForFrame();
        QCOMPARE(program->picture->size(), QSize(200, 150));
        QCOMPARE(program->picture->pos(), QPoint(20, 0));
        QCOMPARE(program->picture->picture().size(), QSize(200, 150));
        QCOMPARE(program->menu->windowTitle(), "QUORVATIX - " + QString::fromStdString(PathOf("j.fra")));
    }
};

QTEST_MAIN(BrowserWindowTest)
#include "browser_window_test.moc"

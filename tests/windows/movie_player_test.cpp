#include <QApplication>
#include <QImage>
#include <QMediaPlayer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <QtTest>

#include "engine/fractal_state.h"
#include "frame/startup.h"
#include "windows/movie_player_window.h"
#include "movie/frame_files.h"
#include "movie/movie_to_disk.h"
#include "platform/headless_platform.h"
#include "sanitizer_settings.h"

// The player on the offscreen platform: a small AVI made by the job runner,
// played into a stand-in picture window.
class MoviePlayerTest : public QObject {
    Q_OBJECT

private:
    HeadlessPlatform platform;
    QTemporaryDir folder;
    QString aviPath;
    std::unique_ptr<QWidget> picture;

    static QPushButton* Button(QWidget* window, const QString& text)
    {
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    static MoviePlayerWindow* OpenPlayerWindow()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* player = dynamic_cast<MoviePlayerWindow*>(window); player && player->isVisible())
                return player;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        InstallPlatform(&platform);
        StartUpEngine(1280, 1024, 2);
        State.PicWidth = 160;
        State.PicHeight = 120;
        Results.Allocate(160, 120);

        // Three numbered frames encoded by the job runner, as a made movie is.
        QVERIFY(folder.isValid());
        QDir(folder.path()).mkpath("temp");
        QDir(folder.path()).mkpath("my movies");
        // A copy of the template: a job writes the template back.
        QVERIFY(QFile::copy(QT_TESTCASE_SOURCEDIR "/../vdub/Template.jobs", folder.filePath("Template.jobs")));
        const MoviePlaces places = {folder.filePath("temp/").toStdString(),
                                    folder.filePath("Template.jobs").toStdString(),
                                    folder.filePath("VirtualDub.jobs").toStdString(),
                                    QT_TESTCASE_BUILDDIR "/../vdub/vdub"};
        for (int n = 0; n < 3; ++n) {
            QImage frame(64, 48, QImage::Format_RGB32);
            frame.fill(QColor::fromHsv(n * 100, 255, 255));
            QVERIFY(frame.save(QString::fromStdString(places.frameFolder + FrameFileName(n, false))));
        }
        aviPath = folder.filePath("my movies/zoom movie.avi");
        QVERIFY(PrepareJobFile(places, aviPath.toStdString()));
        QProcess runner;
        runner.start(QString::fromStdString(places.runner), {"/r", QString::fromStdString(places.jobFile)});
        QVERIFY2(runner.waitForFinished(60000) && runner.exitStatus() == QProcess::NormalExit &&
                     runner.exitCode() == 0,
                 qPrintable("the job runner failed: " + runner.readAllStandardError()));
        QVERIFY(QFileInfo(aviPath).isFile());

        picture = std::make_unique<QWidget>();
        picture->setFixedSize(160, 120);
        picture->show();
    }

    void cleanupTestCase()
    {
        picture.reset();
        InstallPlatform(nullptr);
    }

    void playsLoopedIntoThePictureWindowUntilExit()
    {
        auto* window = new MoviePlayerWindow(picture.get(), aviPath.toStdString());
        QPointer<MoviePlayerWindow> alive(window);
        window->show();
        QCOMPARE(window->windowTitle(), QString("Quorvatix video player"));

        QTest::mouseClick(Button(window, "PLAY"), Qt::LeftButton);
        QCOMPARE(window->state(), MoviePlayerState::Playing);
        QVideoWidget* video = window->backend().videoArea();
        QVERIFY(video);
        QCOMPARE(video->parentWidget(), picture.get());
        QCOMPARE(video->geometry(), QRect(0, 0, 160, 120));
        QMediaPlayer& player = window->backend().mediaPlayer();
        QCOMPARE(player.loops(), int(QMediaPlayer::Infinite));

        int frames = 0;
        connect(video->videoSink(), &QVideoSink::videoFrameChanged, this, [&](const QVideoFrame& frame) {
            if (frame.isValid() && frame.size() == QSize(64, 48))
                ++frames;
        });
        QTRY_VERIFY_WITH_TIMEOUT(frames > 3, 20000);  // three frames, looped
        QCOMPARE(player.playbackState(), QMediaPlayer::PlayingState);

        QTest::mouseClick(Button(window, "PAUSE"), Qt::LeftButton);
        QCOMPARE(player.playbackState(), QMediaPlayer::PausedState);
        QTest::mouseClick(Button(window, "PLAY"), Qt::LeftButton);
        QCOMPARE(player.playbackState(), QMediaPlayer::PlayingState);
        QCOMPARE(window->backend().videoArea(), video);  // not opened again

        State.PictureLocked = 1;
        QTest::mouseClick(Button(window, "EXIT"), Qt::LeftButton);
        QTRY_VERIFY(!alive);
        QVERIFY(picture->findChildren<QVideoWidget*>().isEmpty());
        QCOMPARE(State.PictureLocked, 0);
        QCOMPARE(platform.pictureTitles.back(), std::string("QUORVATIX"));
    }

    void fileThatCannotBePlayedStaysClosed()
    {
        const QString broken = folder.filePath("broken.avi");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a movie");
        file.close();
        MoviePlayerWindow window(picture.get(), broken.toStdString());
        QTest::mouseClick(Button(&window, "PLAY"), Qt::LeftButton);
        QCOMPARE(window.state(), MoviePlayerState::Closed);
        QVERIFY(!window.backend().videoArea());
    }

    void playMovieCommandNamesThePlayingFile()
    {
        platform.titles.clear();
        platform.pictureTitles.clear();
        platform.answers = {aviPath.toStdString()};
        QTimer::singleShot(0, this, [] {
            QTRY_VERIFY(OpenPlayerWindow());
            QTest::mouseClick(Button(OpenPlayerWindow(), "EXIT"), Qt::LeftButton);
        });
        PlayMovieCommand(picture.get());
        QCOMPARE(MoviePath, aviPath.toStdString());
        QCOMPARE(platform.titles, (std::vector<std::string>{"QUORVATIX", "QUORVATIX"}));
        QCOMPARE(platform.pictureTitles,
                 (std::vector<std::string>{"Playing: " + aviPath.toStdString(), "QUORVATIX", ""}));

        // A cancelled dialog or a missing file does nothing.
        platform.answers = {"Cancel"};
        PlayMovieCommand(picture.get());
        platform.answers = {folder.filePath("gone.avi").toStdString()};
        PlayMovieCommand(picture.get());
        QCOMPARE(MoviePath, aviPath.toStdString());
        QCOMPARE(platform.titles.size(), size_t(2));
    }
};

QTEST_MAIN(MoviePlayerTest)
#include "movie_player_test.moc"

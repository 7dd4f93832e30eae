#include <QTemporaryDir>
#include <QtTest>

#include "color/palette_file.h"
#include "files/parameter_file.h"
#include "files/picture_export.h"
#include "platform/qt/file_dialog_folders.h"
#include "windows/movie_player_window.h"
#include "running_program.h"

// The desktop's file dialogs: each kind of file starts in the folder last
// used for it, remembered in the user's settings, and says what it lists.
class FileDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RunningProgram> program;

    const FileDialogRequest& LastRequest() const { return program->answers.fileRequests.back(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { program = std::make_unique<RunningProgram>(64, 48); }
    void cleanup() { program.reset(); }

    void kindsFollowTheFilters()
    {
        QCOMPARE(FileDialogKind("Fractal Files (*.fdz;*.fra)|*.FDZ;*.FRA|"), std::string("Fractal"));
        QCOMPARE(FileDialogKind("Fractal Image-Parameter Files (*.fpz;*.fpi)|*.FPZ;*.FPI|"), std::string("Fractal"));
        QCOMPARE(FileDialogKind("Picture Files (*.tif)|*.TIF|"), std::string("Picture"));
        QCOMPARE(FileDialogKind("Movies (*.avi)|*.AVI|"), std::string("Movie"));
        QCOMPARE(FileDialogKind("Palette Files (*.pal)|*.PAL|"), std::string("Palette"));
        QCOMPARE(FileDialogKind("All (*)|*|"), std::string("Other"));
    }

    void eachKindStartsWhereItWasLastAnswered()
    {
        QTemporaryDir fractals, pictures;
        const std::string fractalFolder = fractals.path().toStdString();
        const std::string pictureFolder = pictures.path().toStdString();
        program->answers.answers = {fractalFolder + "/view.fra"};
        SaveFractalCommand();
        program->answers.answers = {pictureFolder + "/view.png"};
        SavePictureCommand();

        program->answers.answers = {"Cancel"};
        LoadFractalCommand();
        QCOMPARE(LastRequest().fileName, fractalFolder);
        SavePictureCommand();
        QCOMPARE(LastRequest().fileName, pictureFolder);
        // A cancelled dialog keeps the folder; a gone folder is not offered.
        LoadFractalCommand();
        QCOMPARE(LastRequest().fileName, fractalFolder);
        pictures.remove();
        SavePictureCommand();
        QCOMPARE(LastRequest().fileName, std::string());
    }

    void moviesAndPalettesAreNamedAsWhatTheyAre()
    {
        program->answers.answers = {"Cancel"};
        PlayMovieCommand(program->picture.get());
        QCOMPARE(LastRequest().filter, std::string("Movies (*.avi)|*.AVI|"));
        LoadPaletteCommand();
        QCOMPARE(LastRequest().filter, std::string("Palette Files (*.pal)|*.PAL|"));
    }
};

QTEST_MAIN(FileDialogsTest)
#include "file_dialogs_test.moc"

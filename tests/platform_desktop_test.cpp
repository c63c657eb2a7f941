// The desktop's side of the platform layer: where the real save dialog opens, and how the shell
// shows a file in its folder through the file manager on a session bus (a private one, started
// here, with a file manager of the test's own on it).
#include "platform/drives.h"
#include "platform/ui/desktop_shell.h"
#include "platform/ui/save_dialog.h"
#include "tests/support/scoped_platform.h"
#include "tests/support/temp_folder.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// An environment variable set for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            previous_ = qgetenv(name);
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedVariable() {
        if (previous_)
            qputenv(name_, *previous_);
        else
            qunsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> previous_;
};

// Runs the desktop's save dialog as the program does, and meanwhile, as a person would, notes
// the folder it opened in and then types `answer` (a path) and Enter, or Escape when empty.
// Enter goes again while the dialog stays open: the first may only close the name completion's
// list.
struct DialogRun {
    std::string openedIn;
    std::optional<std::string> result;
};
DialogRun RunSaveDialog(const std::string& answer) {
    DialogRun run;
    QTimer person;
    person.setInterval(10);
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (run.openedIn.empty())
            run.openedIn = dialog->directory().absolutePath().toStdString();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (answer.empty() || !name) {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else if (name->text().toStdString() != answer) {
            name->selectAll();
            QTest::keyClicks(name, QString::fromStdString(answer));
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
    });
    person.start();
    run.result = platform::ui::SaveDialogs().Run(nullptr, {"Select Directory...", "Intro.mp3",
                                                           ".mp3"});
    return run;
}

TEST(SaveDialogTest, OpensInTheMusicFolderTheFirstTimeThenWhereTheLastChoiceWasConfirmed) {
    testsupport::ScopedPlatform platform; // c: holds the home folder
    const fs::path home = platform.Root().Path() / "home" / "ana";
    const ScopedVariable homeVariable("HOME", home.string());
    const ScopedVariable config("XDG_CONFIG_HOME", (home / ".config").string());
    platform.Root().WriteFile("home/ana/.config/user-dirs.dirs",
                              "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    const std::string tunes = (home / "Tunes").string();
    const std::string chosen = (home / "Chosen").string();
    fs::create_directory(chosen);

    // No music folder yet: the home folder; cancelled, so the next is still a first time.
    DialogRun run = RunSaveDialog("");
    EXPECT_EQ(run.openedIn, home.string());
    EXPECT_EQ(run.result, std::nullopt);

    fs::create_directory(tunes);
    run = RunSaveDialog(chosen + "/Intro.mp3");
    EXPECT_EQ(run.openedIn, tunes);
    ASSERT_TRUE(run.result);
    EXPECT_EQ(*run.result, "c:\\home\\ana\\Chosen\\Intro.mp3");

    run = RunSaveDialog(chosen + "/Other.mp3");
    EXPECT_EQ(run.openedIn, chosen);

    // A remembered folder that went away gives way to the music folder.
    fs::create_directory(home / "Gone");
    RunSaveDialog((home / "Gone" / "x.mp3").string());
    fs::remove(home / "Gone");
    run = RunSaveDialog("");
    EXPECT_EQ(run.openedIn, tunes);
}

// The file manager of the freedesktop interface, as a desktop offers it on the bus.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    bool refuse = false;
    std::vector<QStringList> shown;

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        Q_UNUSED(startupId);
        if (refuse) {
            sendErrorReply(QDBusError::Failed, "cannot show that");
            return;
        }
        shown.push_back(uris);
    }
};

// A session bus of the test's own, from Debian's dbus-daemon.
class PrivateBus {
public:
    explicit PrivateBus(testsupport::TempFolder& folder) {
        const fs::path config = folder.WriteFile(
            "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=" +
                folder.Str() +
                "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                "<allow own=\"*\"/></policy></busconfig>\n");
        daemon_.start("dbus-daemon", {"--nofork", "--print-address=1",
                                      "--config-file=" + QString::fromStdString(config.string())});
        if (daemon_.waitForStarted() && daemon_.waitForReadyRead(30000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool Running() const { return !address_.isEmpty(); }
    QDBusConnection Connect(const QString& name) {
        names_.push_back(name);
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

class DesktopShellTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.Running()) << "dbus-daemon (Debian's dbus-daemon) could not be started";
        shell_.emplace(bus_.Connect("quillmere-shell"),
                       [this](const QUrl& url) {
                           opened_.push_back(url);
                           return true;
                       });
        platform_.Root().WriteFile("My Music/Intro Song.mp3", "x");
    }
    void OfferFileManager() {
        offered_ = true;
        QDBusConnection desktop = bus_.Connect("quillmere-file-manager");
        ASSERT_TRUE(desktop.registerService("org.freedesktop.FileManager1"));
        ASSERT_TRUE(desktop.registerObject("/org/freedesktop/FileManager1", &fileManager_,
                                           QDBusConnection::ExportAllSlots));
    }
    // Shows the file in its folder and waits until the file manager or the folder was asked.
    void Show(const std::string& file) {
        const std::size_t before = fileManager_.shown.size() + opened_.size();
        shell_->ShowInFolder(nullptr, "c:\\My Music", file);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return fileManager_.shown.size() + opened_.size() > before; }, 30000));
    }
    std::string Root() const { return platform_.Root().Str(); }

    testsupport::ScopedPlatform platform_;
    testsupport::TempFolder busFolder_;
    PrivateBus bus_{busFolder_};
    FakeFileManager fileManager_;
    std::optional<platform::ui::DesktopShell> shell_;
    std::vector<QUrl> opened_;
    bool offered_ = false;
};

TEST_F(DesktopShellTest, TheFileManagerShowsTheFileSelected) {
    OfferFileManager();
    Show("c:\\my music\\intro song.MP3");

    ASSERT_EQ(fileManager_.shown.size(), 1u);
    EXPECT_EQ(fileManager_.shown[0],
              QStringList{QString::fromStdString("file://" + Root() + "/My%20Music/Intro%20Song.mp3")});
    EXPECT_TRUE(opened_.empty());
}

TEST_F(DesktopShellTest, TheFolderIsOpenedWhereNoFileManagerCanShowTheFile) {
    struct Case {
        const char* what;
        bool offered;
        bool refused;
        std::string file;
    };
    const Case cases[] = {
        {"no file manager on the bus", false, false, "c:\\My Music\\Intro Song.mp3"},
        {"the file manager refuses", true, true, "c:\\My Music\\Intro Song.mp3"},
        {"no file to select", true, false, ""},
        {"the file is not there", true, false, "c:\\My Music\\Gone.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.offered && !offered_)
            OfferFileManager();
        fileManager_.refuse = c.refused;
        opened_.clear();
        Show(c.file);
        EXPECT_TRUE(fileManager_.shown.empty());
        ASSERT_EQ(opened_.size(), 1u);
        EXPECT_EQ(opened_[0], QUrl::fromLocalFile(QString::fromStdString(Root() + "/My Music")));
    }
}

} // namespace

#include "platform_desktop_test.moc"

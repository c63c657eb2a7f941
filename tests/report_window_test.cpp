// The copy report on its own: its layout for jobs of every size, what its rows show, and the
// three ways to open the destination folder.
#include "app/FrmReport.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/SunImage.h"
#include "app/component/XP_Button.h"
#include "tests/support/main_window_fixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using testsupport::MainWindowFixture;

class ReportWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        TFormMain& main = Start();
        report_ = new TFormReport(main); // owned by the main window
    }

    // Shows the report for a job of these names and paths, as the main window hands them over.
    void ShowJob(TStringList files, TStringList paths, std::vector<CopyResult> results = {}) {
        report_->hide();
        files_ = std::move(files);
        paths_ = std::move(paths);
        results_ = std::move(results);
        report_->ReportFiles = &files_;
        report_->ReportPaths = &paths_;
        report_->ReportResults = results_.empty() ? nullptr : &results_;
        report_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(report_));
    }
    void ShowJobOf(int n) {
        TStringList files, paths;
        for (int i = 0; i < n; ++i) {
            files.push_back("Song " + std::to_string(i));
            paths.push_back("c:\\out\\Song " + std::to_string(i) + ".mp3");
        }
        ShowJob(files, paths);
    }

    TFormReport* report_ = nullptr;
    TStringList files_, paths_;
    std::vector<CopyResult> results_;
};

TEST_F(ReportWindowTest, GrowsSixteenPixelsPerFileAndSitsCentredOnTheMainWindow) {
    struct Case {
        int files, gridHeight, windowHeight;
    };
    for (const Case c : {Case{1, 112, 288}, Case{20, 416, 592}, Case{0, 96, 272}}) {
        SCOPED_TRACE(c.files);
        ShowJobOf(c.files);
        EXPECT_EQ(report_->Reporter->RowCount(), c.files + 1);
        EXPECT_EQ(report_->Reporter->y(), 122);
        EXPECT_EQ(report_->Reporter->height(), c.gridHeight);
        EXPECT_EQ(report_->height(), c.windowHeight);
        EXPECT_EQ(report_->width(), 433);
        EXPECT_EQ(report_->ImageB2->y(), 122 + c.gridHeight + 20);
        EXPECT_EQ(report_->Image1->y(), 122 + c.gridHeight + 20);
        EXPECT_EQ(report_->SunImage9->y(), 78);
        EXPECT_EQ(report_->SunImage9->height(), c.windowHeight - 78 - 33);
        EXPECT_EQ(report_->Reporter->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const TFormMain& main = *window_;
        EXPECT_EQ(report_->x(), main.x() + (main.width() - 433) / 2);
        EXPECT_EQ(report_->y(), main.y() + (main.height() - c.windowHeight) / 2);
    }
}

TEST_F(ReportWindowTest, AJobTallerThanTheScreenFillsItAndItsListScrolls) {
    const QRect available = window_->screen()->availableGeometry();
    ShowJobOf(3000);

    EXPECT_EQ(report_->height(), available.height());
    EXPECT_GE(report_->y(), available.top());
    EXPECT_LE(report_->y() + report_->height(), available.bottom() + 1);
    EXPECT_NE(report_->Reporter->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_GT(report_->Reporter->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(report_->Reporter->height(), available.height() - 122 - 20 - 33 - 1);
    EXPECT_EQ(report_->ImageB2->y() + 33 + 1, report_->height());
    EXPECT_EQ(report_->Reporter->RowCount(), 3001);
    EXPECT_EQ(report_->Reporter->GetCell(0, 3000), "Song 2999");

    // The next, smaller job gets the plain layout back.
    ShowJobOf(2);
    EXPECT_EQ(report_->height(), 304);
    EXPECT_EQ(report_->Reporter->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(ReportWindowTest, RowsShowWhereEachFileWentOrWhyItWasNot) {
    const std::string root = platform_.Root().Str();
    ShowJob({"Root", "Elsewhere", "Gone", "Failed", "Named", "Later"},
            {"c:\\\\Root.mp3", "q:\\\\Far\\Elsewhere.mp3", "c:\\out\\Gone.mp3",
             "c:\\out\\Failed.mp3", "c:\\out\\Named.mp3", "c:\\out\\Later.mp3"},
            {{CopyOutcome::Copied, ""},
             {CopyOutcome::Copied, ""},
             {CopyOutcome::MissingSource, "Source file not found: e:\\x.mp3"},
             {CopyOutcome::Failed, "Stream read error"},
             {CopyOutcome::Failed, "Cannot create file c:\\out\\Named(1).mp3"},
             {CopyOutcome::NotReached, "stopped"}});

    EXPECT_EQ(report_->Reporter->GetCell(0, 0), "File");
    EXPECT_EQ(report_->Reporter->GetCell(1, 0), "Copy path");
    EXPECT_THAT(Column(report_->Reporter, 0),
                ElementsAre("Root", "Elsewhere", "Gone", "Failed", "Named", "Later"));
    // Files as the system names them; a path on no drive with its doubled backslashes as one.
    EXPECT_THAT(Column(report_->Reporter, 1),
                ElementsAre(root + "/Root.mp3", "q:\\Far\\Elsewhere.mp3",
                            "Not copied: the song's file is missing on the iPod",
                            "Not copied: Stream read error",
                            "Not copied: Cannot create file " + root + "/out/Named(1).mp3",
                            "Not copied: the copy stopped before this file"));
    EXPECT_EQ(paths_[0], "c:\\\\Root.mp3"); // only the display changes
    EXPECT_EQ(report_->Label1->text().toStdString(), "Fllowing files has been copied. ");
}

TEST_F(ReportWindowTest, ButtonPopupAndDoubleClickOpenTheFirstFilesFolder) {
    ShowJob({"One", "Two", "Three"},
            {"c:\\music out\\One.mp3", "c:\\elsewhere\\Two.mp3", "c:\\elsewhere\\Three.mp3"});
    QTest::mouseClick(report_->Reporter->viewport(), Qt::LeftButton, {},
                      CellCenter(report_->Reporter, 1, 3)); // another row selected

    QTest::mouseClick(report_->OpenDir, Qt::LeftButton);
    report_->SunPopupreport->actions().at(0)->trigger();
    QTest::mouseDClick(report_->Reporter->viewport(), Qt::LeftButton, {},
                       CellCenter(report_->Reporter, 0, 2));

    ASSERT_EQ(ui_.shell.calls.size(), 3u);
    for (const auto& call : ui_.shell.calls) {
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, "c:\\music out");
        EXPECT_EQ(call.selected, "c:\\music out\\One.mp3"); // the first file, selected
        EXPECT_EQ(call.owner, report_);
    }
    EXPECT_EQ(report_->SunPopupreport->actions().at(0)->text().toStdString(), "Open directory");
    EXPECT_EQ(report_->OpenDir->text().toStdString(), "Open Directory");

    // A drive-root destination keeps its backslash.
    ShowJob({"Root"}, {"e:\\\\Root.mp3"});
    QTest::mouseClick(report_->OpenDir, Qt::LeftButton);
    EXPECT_EQ(ui_.shell.calls.back().file, "e:\\\\"); // repeated separators count as one

    // A first file that was not written is not selected: a file of its name is not the job's.
    ShowJob({"Gone", "Two"}, {"c:\\out\\Gone.mp3", "c:\\out\\Two.mp3"},
            {{CopyOutcome::MissingSource, "Source file not found: e:\\x.mp3"},
             {CopyOutcome::Copied, ""}});
    QTest::mouseClick(report_->OpenDir, Qt::LeftButton);
    EXPECT_EQ(ui_.shell.calls.back().file, "c:\\out");
    EXPECT_EQ(ui_.shell.calls.back().selected, "");
}

TEST_F(ReportWindowTest, OpeningTheFolderOfAnEmptyJobIsLoggedNotShown) {
    ShowJob({}, {});
    QTest::mouseClick(report_->OpenDir, Qt::LeftButton);
    EXPECT_TRUE(ui_.shell.calls.empty());
    EXPECT_TRUE(ui_.boxes.shown.empty());
    EXPECT_TRUE(report_->isVisible());
    EXPECT_THAT(AppDirFile("app.cnt"), ::testing::HasSubstr("=Button2Click:"));
}

TEST_F(ReportWindowTest, CloseEndsTheModalShowing) {
    ShowJobOf(1);
    report_->hide();
    QTimer::singleShot(0, report_,
                       [this] { QTest::mouseClick(report_->CloseButton, Qt::LeftButton); });
    report_->ShowModal();
    EXPECT_FALSE(report_->isVisible());
}

} // namespace

#include "app/FrmOption.h"

#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/SkinnedWindow.h"
#include "app/component/SunCheckListBox.h"
#include "app/component/SunImage.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ButtonSmall.h"
#include "app/component/XP_GroupBox.h"
#include "app/layout_file.h"
#include "app/product_addresses.h"
#include "platform/registry.h"
#include "tests/support/main_window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QWindow>
#include <gmock/gmock.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using testsupport::MainWindowFixture;

constexpr int ModuleAlbum = 3;

class OptionsWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        InstallSettings(false, true);
        main = &Start();
        options = std::make_unique<TFormOption>(*main);
    }

    void TearDown() override {
        options.reset();
        MainWindowFixture::TearDown();
    }

    // As the main window's "Options" button does, but without blocking the test.
    void Open() {
        options->SetOverwriteExisting(main->Settings.OverwriteExisting);
        options->SetPlayOnDoubleClick(main->Settings.PlayOnDoubleClick);
        options->SetSortIntoFolders(main->Settings.SortIntoFolders);
        options->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(options.get()));
    }

    static QPoint CheckBoxOf(TSunCheckListBox* list, int item) {
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = list->visualItemRect(list->item(item));
        option.features =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = list->item(item)->text();
        return list->style()
            ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list->viewport())
            .center();
    }

    // What a person does: a click on the item's check box.
    static void ClickCheck(TSunCheckListBox* list, int item) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CheckBoxOf(list, item));
    }

    static std::vector<std::string> Texts(TSunCheckListBox* list) {
        std::vector<std::string> texts;
        for (int i = 0; i < list->count(); ++i)
            texts.push_back(list->item(i)->text().toStdString());
        return texts;
    }

    static std::string Ticks(TSunCheckListBox* list) {
        std::string ticks;
        for (int i = 0; i < list->count(); ++i)
            ticks += list->Checked(i) ? 'x' : '-';
        return ticks;
    }

    std::vector<int> SongColumnWidths() const {
        std::vector<int> widths;
        for (int col = 1; col < main->AdvStringGridSong->ColCount(); ++col)
            widths.push_back(main->AdvStringGridSong->ColWidths(col));
        return widths;
    }

    bool Shown(QWidget* control) const { return control->isVisibleTo(main); }

    TFormMain* main = nullptr;
    std::unique_ptr<TFormOption> options;
};


} // namespace

TEST_F(OptionsWindowTest, IsTheSkinnedBorderlessWindowOfItsDesign) {
    EXPECT_EQ(options->windowTitle(), "Options Setting");
    EXPECT_EQ(options->size(), QSize(497, 379));
    EXPECT_TRUE(options->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(options->palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_EQ(options->mask(), SkinnedWindow::RoundRectRegion(497, 379, 6, 6));

    EXPECT_EQ(options->SunImage2->geometry(), QRect(34, 30, 239, 22));
    EXPECT_EQ(options->SunImage2->Picture().size(), QSize(239, 22));
    EXPECT_EQ(options->SunImage9->geometry(), QRect(0, 45, 3, 300));
    EXPECT_TRUE(options->SunImage9->Stretch());
    EXPECT_EQ(options->ImageB3->geometry(), QRect(490, 345, 6, 33));
    EXPECT_FALSE(options->ImageB3->Stretch());

    const std::vector<std::pair<TXP_ButtonSmall*, QString>> titleButtons = {
        {options->XP_ButtonSmall1, "Minimize"},
        {options->XP_ButtonSmall3, "Close"},
        {options->XP_ButtonSmall2, QString::fromStdString(HomePageAddress())}};
    int left = 405;
    for (const auto& [button, hint] : titleButtons) {
        EXPECT_EQ(button->geometry(), QRect(left, 10, 18, 18));
        EXPECT_EQ(button->Hint(), hint);
        EXPECT_TRUE(button->toolTip().isEmpty()) << "hints are never shown";
        left += 24;
    }
    EXPECT_EQ(options->XP_Button2->text(), "Restore Default");
    EXPECT_EQ(options->OpenDir->geometry(), QRect(255, 301, 89, 28));
    EXPECT_EQ(options->Label2->text(), "Colums Display");
    EXPECT_EQ(options->SunCheckListBoxCols->geometry(), QRect(104, 48, 105, 145));
    EXPECT_EQ(options->SunCheckListBoxCols->parentWidget(), options->XP_GroupBox1);
    EXPECT_EQ(options->OverWrite->parentWidget(), options->XP_GroupBox2);
}

TEST_F(OptionsWindowTest, ShowingListsWhatTheMainWindowShowsNow) {
    main->AdvStringGridSong->SetColWidths(3, 0); // Album dragged to nothing
    main->AdvStringGridSong->SetColWidths(1, 150);
    main->ArtistList->hide();
    main->SetPlayOnDoubleClick(true);
    main->SetOverwriteExisting(false);
    main->move(101, 50);

    Open();
    EXPECT_THAT(Texts(options->SunCheckListBoxCols),
                ElementsAre("Title", "File Size", "Album", "Artist", "Genre", "Filetype", "Comment",
                            "EQSetting", "Composer", "Grouping"));
    EXPECT_EQ(Ticks(options->SunCheckListBoxCols), "xx-xxxxxxx");
    EXPECT_THAT(
        Texts(options->SunCheckListBoxModule),
        ElementsAre("iPod Selector", "Search Box", "Artist List", "Album List", "FileType List"));
    EXPECT_EQ(Ticks(options->SunCheckListBoxModule), "xx-xx");
    EXPECT_TRUE(options->PlaySong->isChecked());
    EXPECT_FALSE(options->OverWrite->isChecked());
    // Centred: (704 - 497) / 2 and (499 - 379) / 2, truncated.
    EXPECT_EQ(options->pos(), main->pos() + QPoint(103, 60));
    EXPECT_EQ(options->focusWidget(), options->XP_Button1);
    // Filling the lists applied nothing.
    EXPECT_EQ(main->AdvStringGridSong->ColWidths(1), 150);
    EXPECT_FALSE(Shown(main->ArtistList));

    // The next showing starts afresh from the main window.
    options->close();
    main->AdvStringGridSong->SetColWidths(3, 80);
    main->ArtistList->show();
    Open();
    EXPECT_EQ(Ticks(options->SunCheckListBoxCols), "xxxxxxxxxx");
    EXPECT_EQ(Ticks(options->SunCheckListBoxModule), "xxxxx");
}

TEST_F(OptionsWindowTest, AnyColumnClickSetsEveryColumnTo80Or0) {
    main->AdvStringGridSong->SetColWidths(1, 150);
    const QRect table = main->AdvStringGridSong->geometry();
    Open();
    ClickCheck(options->SunCheckListBoxCols, 2); // Album cleared
    EXPECT_THAT(SongColumnWidths(), ElementsAre(80, 80, 0, 80, 80, 80, 80, 80, 80, 80));
    EXPECT_EQ(main->AdvStringGridSong->geometry(), table);

    main->AdvStringGridSong->SetColWidths(4, 200);
    options->SunCheckListBoxCols->setCurrentRow(2);
    QTest::keyClick(options->SunCheckListBoxCols, Qt::Key_Space); // Album ticked again
    EXPECT_THAT(SongColumnWidths(), ElementsAre(80, 80, 80, 80, 80, 80, 80, 80, 80, 80));
}

TEST_F(OptionsWindowTest, ModuleClickSetsEveryGroupAndArrangesThePanes) {
    Open();
    ClickCheck(options->SunCheckListBoxModule, 0); // iPod Selector cleared
    for (QWidget* control :
         {static_cast<QWidget*>(main->iPodSelector), static_cast<QWidget*>(main->iPodSelectorCom),
          static_cast<QWidget*>(main->Image3)})
        EXPECT_FALSE(Shown(control));
    EXPECT_TRUE(Shown(main->SearchBox));
    EXPECT_TRUE(Shown(main->Edit1));

    // A group hidden behind the window's back is shown again by any click, as listed.
    main->Image4->hide();
    ClickCheck(options->SunCheckListBoxModule, ModuleAlbum);
    EXPECT_TRUE(Shown(main->Image4));
    EXPECT_FALSE(Shown(main->AlbumList));
    EXPECT_EQ(main->ArtistList->geometry(), QRect(24 + 219, 88, 217, 80));
}

TEST_F(OptionsWindowTest, AlbumPaneClearedThenCancelStaysHiddenAndIsSavedHidden) {
    Open();
    ClickCheck(options->SunCheckListBoxModule, ModuleAlbum);
    QTest::mouseClick(options->XP_Button1, Qt::LeftButton);
    EXPECT_FALSE(options->isVisible());
    EXPECT_FALSE(Shown(main->AlbumList));

    options.reset();
    Stop();
    const TWindowLayout saved = TLayoutFile("c:\\app").Read();
    EXPECT_FALSE(saved.AlbumList);
    EXPECT_TRUE(saved.ArtistList);
}

TEST_F(OptionsWindowTest, TitleBarCloseKeepsPanesAndColumnsForTheLayoutFileButNotTheOptions) {
    Open();
    ClickCheck(options->SunCheckListBoxModule, 1); // Search Box cleared
    ClickCheck(options->SunCheckListBoxCols, 5);   // Filetype cleared
    QTest::mouseClick(options->PlaySong, Qt::LeftButton);
    QTest::mouseClick(options->OverWrite, Qt::LeftButton);
    QTest::mouseClick(options->XP_ButtonSmall3, Qt::LeftButton);
    EXPECT_FALSE(options->isVisible());

    options.reset();
    Stop();
    const TWindowLayout saved = TLayoutFile("c:\\app").Read();
    EXPECT_FALSE(saved.SearchBox);
    EXPECT_TRUE(saved.iPodSelector);
    EXPECT_THAT(saved.ColumnWidths,
                ElementsAre("0", "80", "80", "80", "80", "80", "0", "80", "80", "80", "80"));
    auto& registry = platform::CurrentUser();
    EXPECT_EQ(registry.QueryValue("Software\\Quillmere", "DBClickPlaySong")->AsDword(), 0u);
    EXPECT_EQ(registry.QueryValue("Software\\Quillmere", "OverWriteExistFile")->AsDword(), 1u);
}

TEST_F(OptionsWindowTest, WithoutPanesTheSongTableMovesUpAndBack) {
    Open();
    for (const int module : {2, 3, 4})
        ClickCheck(options->SunCheckListBoxModule, module);
    EXPECT_EQ(main->AdvStringGridSong->geometry(), QRect(24, 88, 660, 323));
    ClickCheck(options->SunCheckListBoxModule, 4); // FileType List ticked
    EXPECT_EQ(main->AdvStringGridSong->geometry(), QRect(24, 174, 660, 237));
    EXPECT_TRUE(Shown(main->FileTypeList));
}

TEST_F(OptionsWindowTest, RestoreDefaultAppliesPanesAndColumnsButNotTheGeneralOptions) {
    main->SetPlayOnDoubleClick(true);
    main->SetOverwriteExisting(false);
    main->AdvStringGridSong->SetColWidths(5, 0);
    main->AdvStringGridSong->SetColWidths(1, 150);
    main->AlbumList->hide();
    main->SearchBox->hide();
    Open();

    QTest::mouseClick(options->XP_Button2, Qt::LeftButton);
    EXPECT_TRUE(options->isVisible());
    EXPECT_FALSE(options->PlaySong->isChecked());
    EXPECT_TRUE(options->OverWrite->isChecked());
    EXPECT_EQ(Ticks(options->SunCheckListBoxCols), "xxxxxxxxxx");
    EXPECT_EQ(Ticks(options->SunCheckListBoxModule), "xxxxx");
    EXPECT_THAT(SongColumnWidths(), ElementsAre(80, 80, 80, 80, 80, 80, 80, 80, 80, 80));
    EXPECT_TRUE(Shown(main->AlbumList));
    EXPECT_TRUE(Shown(main->Edit1));
    EXPECT_EQ(main->AlbumList->geometry(), QRect(24, 88, 217, 80));

    QTest::mouseClick(options->XP_Button1, Qt::LeftButton);
    EXPECT_TRUE(main->Settings.PlayOnDoubleClick);
    EXPECT_FALSE(main->Settings.OverwriteExisting);
    EXPECT_TRUE(Shown(main->AlbumList));
}

TEST_F(OptionsWindowTest, SaveHandsTheTwoOptionsToTheMainWindowCancelDropsThem) {
    Open();
    QTest::mouseClick(options->PlaySong, Qt::LeftButton);
    QTest::mouseClick(options->OverWrite, Qt::LeftButton);
    QTest::mouseClick(options->XP_Button1, Qt::LeftButton); // Cancel
    EXPECT_FALSE(main->Settings.PlayOnDoubleClick);
    EXPECT_TRUE(main->Settings.OverwriteExisting);

    Open();
    EXPECT_FALSE(options->PlaySong->isChecked()) << "each showing starts from the copies";
    QTest::mouseClick(options->PlaySong, Qt::LeftButton);
    QTest::mouseClick(options->OverWrite, Qt::LeftButton);
    options->OpenDir->setFocus();
    QTest::keyClick(options->OpenDir, Qt::Key_Return); // Save
    EXPECT_FALSE(options->isVisible());
    EXPECT_TRUE(main->Settings.PlayOnDoubleClick);
    EXPECT_FALSE(main->Settings.OverwriteExisting);
}

TEST_F(OptionsWindowTest, SortingIntoFoldersIsAThirdGeneralOptionThatBehavesAsTheOthers) {
    EXPECT_EQ(options->SortFolders->text(), "Sort into artist and album folders.");
    EXPECT_EQ(options->SortFolders->parentWidget(), options->XP_GroupBox2);
    EXPECT_EQ(options->SortFolders->geometry(), QRect(24, 126, 185, 17));
    EXPECT_LE(options->SortFolders->sizeHint().width(), 185) << "its text shows whole";
    EXPECT_FALSE(main->Settings.SortIntoFolders) << "off by default";

    Open();
    EXPECT_FALSE(options->SortFolders->isChecked());
    QTest::mouseClick(options->SortFolders, Qt::LeftButton);
    QTest::mouseClick(options->XP_Button1, Qt::LeftButton); // Cancel
    EXPECT_FALSE(main->Settings.SortIntoFolders);

    Open();
    EXPECT_FALSE(options->SortFolders->isChecked()) << "each showing starts from the copies";
    QTest::mouseClick(options->SortFolders, Qt::LeftButton);
    QTest::mouseClick(options->OpenDir, Qt::LeftButton); // Save
    EXPECT_TRUE(main->Settings.SortIntoFolders);

    Open();
    EXPECT_TRUE(options->SortFolders->isChecked());
    QTest::mouseClick(options->XP_Button2, Qt::LeftButton); // Restore Default
    EXPECT_FALSE(options->SortFolders->isChecked());
    QTest::mouseClick(options->XP_Button1, Qt::LeftButton);
    EXPECT_TRUE(main->Settings.SortIntoFolders) << "defaults reach the main window by Save only";

    // Written when the main window closes, read back by the next run.
    options.reset();
    Stop();
    EXPECT_EQ(
        platform::CurrentUser().QueryValue("Software\\Quillmere", "SortIntoFolders")->AsDword(),
        1u);
    EXPECT_TRUE(Start().Settings.SortIntoFolders);
}

TEST_F(OptionsWindowTest, ModalShowingEndsWithTheTitleBarClose) {
    options->SetPlayOnDoubleClick(true);
    bool shownDuring = false;
    bool tickedDuring = false;
    QMetaObject::invokeMethod(
        options.get(),
        [&] {
            shownDuring = options->isVisible() && options->isModal();
            tickedDuring = options->PlaySong->isChecked();
            QTest::mouseClick(options->XP_ButtonSmall3, Qt::LeftButton);
        },
        Qt::QueuedConnection);
    options->ShowModal();
    EXPECT_TRUE(shownDuring);
    EXPECT_TRUE(tickedDuring);
    EXPECT_FALSE(options->isVisible());
    EXPECT_FALSE(main->Settings.PlayOnDoubleClick);
}

TEST_F(OptionsWindowTest, MinimiseWhileModalMinimisesTheWholeApplication) {
    QMetaObject::invokeMethod(
        options.get(),
        [&] {
            QTest::mouseClick(options->XP_ButtonSmall1, Qt::LeftButton);
            EXPECT_TRUE(main->isMinimized());
            EXPECT_TRUE(options->isMinimized());
            options->XP_Button1Click();
        },
        Qt::QueuedConnection);
    options->ShowModal();
    EXPECT_FALSE(options->isVisible());
}

TEST_F(OptionsWindowTest, HelpOpensTheSupportPageOnceOwnedByTheMainWindow) {
    Open();
    QTest::mouseClick(options->XP_ButtonSmall2, Qt::LeftButton);
    ASSERT_EQ(ui_.shell.calls.size(), 1u);
    EXPECT_EQ(ui_.shell.calls[0].owner, main);
    EXPECT_EQ(ui_.shell.calls[0].verb, "");
    EXPECT_EQ(ui_.shell.calls[0].file, SupportPageAddress());
    EXPECT_TRUE(options->isVisible());
}

TEST_F(OptionsWindowTest, FrameAndBackgroundDragOnEveryMoveControlsNever) {
    int moveCommands = 0;
    SkinnedWindow::SetMoveStarter([&](QWidget& window) {
        EXPECT_EQ(&window, options.get());
        ++moveCommands;
        return false;
    });
    Open();
    struct Place {
        const char* what;
        QWidget* widget;
        QPoint at;
        bool drags;
    };
    const std::vector<Place> places = {
        {"top band", options->SunImage1, {100, 10}, true},
        {"title picture", options->SunImage2, {5, 5}, true},
        {"left edge", options->SunImage9, {1, 100}, true},
        {"bottom band", options->ImageB2, {200, 10}, true},
        {"product name", options->Image1, {20, 10}, true},
        {"background", options.get(), {480, 200}, true},
        {"group box", options->XP_GroupBox1, {100, 5}, false},
        {"check list", options->SunCheckListBoxModule->viewport(), {50, 100}, false},
        {"check box", options->PlaySong, {10, 8}, false},
        {"push button", options->OpenDir, {40, 14}, false},
        {"title-bar button", options->XP_ButtonSmall3, {9, 9}, false},
    };
    for (const Place& place : places) {
        const int before = moveCommands;
        // Into this window itself: the main window lies under it.
        QTest::mouseMove(options->windowHandle(), place.widget->mapTo(options.get(), place.at));
        EXPECT_EQ(moveCommands - before, place.drags ? 1 : 0) << place.what;
    }
    SkinnedWindow::SetMoveStarter(nullptr);
}

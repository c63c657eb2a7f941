#include "app/FrmMain.h"

#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/SkinnedWindow.h"
#include "app/component/XP_ProgressBar_Itunes.h"
#include "app/copy_messages.h"
#include "app/copy_thread.h"
#include "app/error_log.h"
#include "app/ipod_discovery.h"
#include "app/layout_file.h"
#include "app/product_addresses.h"
#include "app/status_text.h"
#include "app/unhandled_error.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/ui/design_fonts.h"
#include "platform/ui/message_sender.h"
#include "platform/ui/mount_watcher.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <array>
#include <initializer_list>

namespace {

constexpr const char* NoiPodText = "Please connect your iPod";

// The frame of the main window, as placed at design time.
constexpr std::array<SkinPiece, 14> FramePieces = {{
    {"SunImage3", 0, 0, 6, 78, "FRAME_TOPLEFT", false},
    {"SunImage1", 6, 0, 213, 78, "FRAME_TOP", true},
    {"SunImage8", 219, 0, 6, 78, "DISPLAY_LEFT", false},
    {"SunImage6", 225, 0, 253, 78, "DISPLAY_MIDDLE", true},
    {"SunImage7", 478, 0, 6, 78, "DISPLAY_RIGHT", false},
    {"SunImage5", 484, 0, 213, 78, "FRAME_TOP", true},
    {"SunImage4", 697, 0, 6, 78, "FRAME_TOPRIGHT", false},
    {"SunImage9", 0, 78, 3, 387, "FRAME_LEFT", true},
    {"SunImage10", 700, 78, 3, 387, "FRAME_RIGHT", true},
    {"ImageB1", 0, 465, 6, 33, "FRAME_BOTTOMLEFT", false},
    {"ImageB2", 6, 465, 691, 33, "FRAME_BOTTOM", true},
    {"ImageB3", 697, 465, 6, 33, "FRAME_BOTTOMRIGHT", false},
    {"Image1", 40, 465, 185, 32, "PRODUCT_NAME", false},
    {"Image2", 496, 465, 171, 32, "HOME_PAGE", false},
}};

// The drop-down list and the search field draw no face of their own: their picture frames are
// the field, the frame's arrow the list's button.
constexpr const char* SelectorLook =
    "QComboBox { border: none; background: transparent; padding: 0px 17px 0px 3px;"
    " color: rgb(40, 48, 40); }"
    "QComboBox::drop-down { border: none; width: 16px; subcontrol-origin: border;"
    " subcontrol-position: top right; }"
    "QComboBox::down-arrow { image: none; width: 0px; height: 0px; }"
    "QComboBox QAbstractItemView { background: white; color: rgb(40, 48, 40);"
    " border: 1px solid rgb(120, 124, 120); selection-color: rgb(40, 48, 40);"
    " selection-background-color: rgb(204, 216, 196); outline: none; }";
constexpr const char* SearchFieldLook =
    "QLineEdit { border: none; background: transparent; padding: 0px;"
    " color: rgb(40, 48, 40); selection-background-color: rgb(150, 172, 144); }";
const QColor DisplayText(48, 64, 48);

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TFormMain::TFormMain(QWidget* parent) : QWidget(parent) {
    CreateControls();
    TLogClass::SetAppDirSource(&Settings.AppDir);
    try {
        Settings.AppDir.clear();
        SelectedDrive.clear();
        iPodSelectorCom->clear();
        AdvStringGridSong->SetColCount(11);
        ColumnWidths = std::make_unique<TStringList>();
        CopySources = std::make_unique<TStringList>();
        CopyTargets = std::make_unique<TStringList>();
        CopyNames = std::make_unique<TStringList>();
        SetPlayOnDoubleClick(false);
        SetOverwriteExisting(false);
        PodReady = false;
        Copying = false;
        Settings.ReadRegistry();
        ReadIniFile();
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("FormCreate:") + error.what());
    }
    FormCreate();
}

TFormMain::~TFormMain() {
    AbandonJob();
    try {
        CopySources.reset();
        CopyTargets.reset();
        CopyNames.reset();
        ColumnWidths.reset();
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("FormCreate:") + error.what());
    }
    TLogClass::SetAppDirSource(nullptr);
}

void TFormMain::CreateControls() {
    setWindowFlags(Qt::Window);
    setWindowTitle("Quillmere");
    setFixedSize(DesignWidth, DesignHeight);
    setFont(platform::ui::DialogFont());
    skin_ = new SkinnedWindow(*this);
    CreateSkin();

    iPodSelector = skin_->PlacePiece({"iPodSelector", 54, 33, 130, 24, "SELECTOR_FRAME", false});
    iPodSelectorCom = new TCloseUpComboBox(this);
    iPodSelectorCom->setGeometry(56, 35, 126, 21);
    iPodSelectorCom->setStyleSheet(SelectorLook);
    iPodSelectorCom->OnCloseUp = [this] { RunHandler(this, [this] { iPodSelectorComCloseUp(); }); };
    Image3 = skin_->PlacePiece({"Image3", 104, 61, 22, 17, "WORD_IPOD", false});

    Notifier = new QLabel(this);
    Notifier->setGeometry(233, 32, 232, 17);
    Notifier->setAlignment(Qt::AlignCenter);
    Notifier->setTextFormat(Qt::PlainText); // an album named like markup is still just text
    QPalette display = Notifier->palette();
    display.setColor(QPalette::WindowText, DisplayText);
    Notifier->setPalette(display);
    ProgressBarItunes = new TProgressBarItunes(this);
    ProgressBarItunes->setGeometry(240, 54, 225, 11);

    SearchBox = skin_->PlacePiece({"SearchBox", 520, 33, 130, 26, "SEARCH_FRAME", false});
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(543, 39, 93, 14);
    Edit1->setFrame(false);
    Edit1->setStyleSheet(SearchFieldLook);
    Image4 = skin_->PlacePiece({"Image4", 569, 61, 38, 17, "WORD_SEARCH", false});

    XP_Button5 = new TXP_Button(this);
    XP_Button5->setGeometry(384, 429, 89, 27);
    XP_Button3 = new TXP_Button("Options", this);
    XP_Button3->setGeometry(488, 429, 89, 27);
    ButtonCopy = new TXP_Button("Copy", this);
    ButtonCopy->setGeometry(592, 429, 89, 27);
    connect(XP_Button5, &TXP_Button::clicked, this,
            [this] { RunHandler(this, [this] { XP_Button5Click(); }); });
    connect(XP_Button3, &TXP_Button::clicked, this,
            [this] { RunHandler(this, [this] { XP_Button3Click(); }); });
    connect(ButtonCopy, &TXP_Button::clicked, this,
            [this] { RunHandler(this, [this] { ButtonCopyClick(); }); });

    const auto titleButtons = skin_->PlaceTitleButtons(616, Q(HomePageAddress()));
    XP_ButtonSmall1 = titleButtons.minimize;
    XP_ButtonSmall3 = titleButtons.close;
    XP_ButtonSmall2 = titleButtons.help;
    connect(XP_ButtonSmall1, &TXP_Button::clicked, this,
            [this] { RunHandler(this, [this] { XP_ButtonSmall1Click(); }); });
    connect(XP_ButtonSmall3, &TXP_Button::clicked, this,
            [this] { RunHandler(this, [this] { XP_ButtonSmall3Click(); }); });
    connect(XP_ButtonSmall2, &TXP_Button::clicked, this,
            [this] { RunHandler(this, [this] { XP_ButtonSmall2Click(); }); });

    Edit1->installEventFilter(this);

    CreateTables();
    CreateMenus();

    for (QWidget* piece : std::initializer_list<QWidget*>{
             ImageB1,   ImageB2,   ImageB3,   SunImage1, SunImage3,         SunImage4, SunImage5,
             SunImage6, SunImage7, SunImage8, SunImage9, SunImage10,        SearchBox, iPodSelector,
             Image1,    Image2,    Image3,    Image4,    ProgressBarItunes, Notifier})
        skin_->BindDrag(piece);
    skin_->OnDragMouseMove = [this](QMouseEvent* event) {
        RunHandler(this, [this, event] { APPMoesemove(event); });
    };

    mountWatcher_ = std::make_unique<platform::MountWatcher>(platform::Drives(), *this);
    sender_ = std::make_unique<platform::ui::QtMessageSender>(*this);
}

void TFormMain::CreateSkin() {
    std::array<TSunImage**, FramePieces.size()> pieces = {
        &SunImage3, &SunImage1,  &SunImage8, &SunImage6, &SunImage7, &SunImage5, &SunImage4,
        &SunImage9, &SunImage10, &ImageB1,   &ImageB2,   &ImageB3,   &Image1,    &Image2};
    for (std::size_t i = 0; i < FramePieces.size(); ++i)
        *pieces[i] = skin_->PlacePiece(FramePieces[i]);
}

void TFormMain::CreateTables() {
    const auto makePane = [this](QRect place) {
        auto* pane = new TITunesStringGrid(this);
        pane->setGeometry(place);
        pane->SetColCount(2);
        pane->SetHeaderButtons(false);
        pane->SetHeaderColor(palette().color(QPalette::Button));
        // White on the pale mark colour cannot be read: marked entries keep their text colour.
        pane->SetSelectionTextColor(QColor());
        pane->SetShowFocusRect(false);
        pane->SetScrollBars(TITunesStringGrid::ssVertical);
        pane->SetOption(TITunesStringGrid::goColSizing, false);
        pane->SetOption(TITunesStringGrid::goRowSelect, false);
        pane->MouseActions.DisjunctRowSelect = true;
        pane->SortSettings.Show = false;
        return pane;
    };
    AlbumList = makePane(QRect(8, 88, 177, 81));
    ArtistList = makePane(QRect(360, 88, 169, 81));
    ArtistList->SetOption(TITunesStringGrid::goColSizing, true);
    FileTypeList = makePane(QRect(528, 88, 169, 81));

    AdvStringGridSong = new TITunesStringGrid(this);
    AdvStringGridSong->setGeometry(24, 176, 657, 241);
    AdvStringGridSong->SetHeaderButtons(true);
    AdvStringGridSong->SetHeaderColor(QColor(166, 202, 240));
    AdvStringGridSong->SetSelectionTextColor(QColor());
    AdvStringGridSong->SetShowFocusRect(true);
    AdvStringGridSong->SetScrollBars(TITunesStringGrid::ssBoth);
    AdvStringGridSong->SetOption(TITunesStringGrid::goColSizing, true);
    AdvStringGridSong->SetOption(TITunesStringGrid::goRowSelect, true);
    AdvStringGridSong->MouseActions.DisjunctRowSelect = true;
    AdvStringGridSong->SortSettings.Show = true;

    AdvStringGridSong->OnMouseUp = [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        AdvStringGridSongMouseUp();
    };
    AdvStringGridSong->OnRightClickCell = [this](int row, int) {
        AdvStringGridSongRightClickCell(row);
    };
    AdvStringGridSong->OnDblClickCell = [this](int row, int col) {
        AdvStringGridSongDblClickCell(row, col);
    };
    AdvStringGridSong->OnCanSort = [](int, bool& allow) { allow = true; };

    AlbumList->OnClick = [this] { AlbumListClick(); };
    ArtistList->OnClick = [this] { ArtistListClick(); };
    FileTypeList->OnClick = [this] { FileTypeListClick(); };
    AlbumList->OnMouseUp = [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        DisPlayCurrentAlbumSongs();
    };
    ArtistList->OnMouseUp = [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        DisPlayCurrentArtistSongs();
    };
    FileTypeList->OnMouseUp = [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        DisPlayCurrentFileTypeSongs();
    };
    AlbumList->OnRightClickCell = [this](int row, int) {
        PaneRightClickCell(AlbumList, row, &TFormMain::DisPlayCurrentAlbumSongs);
    };
    ArtistList->OnRightClickCell = [this](int row, int) {
        PaneRightClickCell(ArtistList, row, &TFormMain::DisPlayCurrentArtistSongs);
    };
    FileTypeList->OnRightClickCell = [this](int row, int) {
        PaneRightClickCell(FileTypeList, row, &TFormMain::DisPlayCurrentFileTypeSongs);
    };
}

void TFormMain::CreateMenus() {
    const auto item = [](QMenu* menu, const char* caption, auto handler) {
        QAction* action = menu->addAction(caption);
        QObject::connect(action, &QAction::triggered, menu, handler);
        return action;
    };
    const auto selectAllOnCtrlA = [](QAction* selectAll) {
        return [selectAll](int& key, Qt::KeyboardModifiers modifiers) {
            if (key == Qt::Key_A && (modifiers & Qt::ControlModifier) && selectAll->isEnabled())
                selectAll->trigger();
        };
    };

    SunPopupMenuSongs = new QMenu(this);
    CopyoutSong = item(SunPopupMenuSongs, "Copy", [this] { CopyoutSongClick(); });
    SelectAllSong = item(SunPopupMenuSongs, "Select All", [this] { SelectAllSongClick(); });
    InvertSelectSong =
        item(SunPopupMenuSongs, "Invert Select", [this] { InvertSelectSongClick(); });
    ClearSelectSong = item(SunPopupMenuSongs, "Clear Select", [this] { ClearSelectSongClick(); });
    AdvStringGridSong->SetPopupMenu(SunPopupMenuSongs);
    AdvStringGridSong->OnPopup = [this] { SunPopupMenuSongsPopup(); };
    AdvStringGridSong->OnKeyDown = selectAllOnCtrlA(SelectAllSong);

    SunPopupMenuArtist = new QMenu(this);
    SelectAllArtist = item(SunPopupMenuArtist, "Select All", [this] { SelectAllArtistClick(); });
    InvertSelectArtist =
        item(SunPopupMenuArtist, "Invert Select", [this] { InvertSelectArtistClick(); });
    ClearSelectArtist =
        item(SunPopupMenuArtist, "Clear Select", [this] { ClearSelectArtistClick(); });
    ArtistList->SetPopupMenu(SunPopupMenuArtist);
    ArtistList->OnPopup = [this] { SunPopupMenuArtistPopup(); };
    ArtistList->OnKeyDown = selectAllOnCtrlA(SelectAllArtist);

    SunPopupMenuAlbum = new QMenu(this);
    SelectAllAlbum = item(SunPopupMenuAlbum, "Select All", [this] { SelectAllAlbumClick(); });
    InvertSelectAlbum =
        item(SunPopupMenuAlbum, "Invert Select", [this] { InvertSelectAlbumClick(); });
    ClearSelectAlbum = item(SunPopupMenuAlbum, "Clear Select", [this] { ClearSelectAlbumClick(); });
    AlbumList->SetPopupMenu(SunPopupMenuAlbum);
    AlbumList->OnPopup = [this] { SunPopupMenuAlbumPopup(); };
    AlbumList->OnKeyDown = selectAllOnCtrlA(SelectAllAlbum);

    SunPopupMenuFileType = new QMenu(this);
    SelectAllFileType =
        item(SunPopupMenuFileType, "Select All", [this] { SelectAllFileTypeClick(); });
    InvertSelectFileType =
        item(SunPopupMenuFileType, "Invert Select", [this] { InvertSelectFileTypeClick(); });
    ClearSelectFileType =
        item(SunPopupMenuFileType, "Clear Select", [this] { ClearSelectFileTypeClick(); });
    FileTypeList->SetPopupMenu(SunPopupMenuFileType);
    FileTypeList->OnPopup = [this] { SunPopupMenuFileTypePopup(); };
    FileTypeList->OnKeyDown = selectAllOnCtrlA(SelectAllFileType);
}

void TFormMain::FormCreate() {
    skin_->SetRoundedRegion();
}

void TFormMain::setVisible(bool visible) {
    // A move made while the window system maps the window lands on the screen, but Qt keeps the
    // old position, and the drop-down list then opens at the screen's corner: place it first.
    if (visible && !shownOnce_)
        CentreOnScreen();
    QWidget::setVisible(visible);
}

void TFormMain::CentreOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const int top = (area.height() - height()) / 2;
        const int left = (area.width() - width()) / 2;
        move(left, top);
    }
}

void TFormMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_ && !event->spontaneous()) {
        shownOnce_ = true;
        FormShow();
    }
}

void TFormMain::FormShow() {
    try {
        XP_Button5->setText("WebSite");
        CentreOnScreen();
        ArrangePanes();
        DisPlaySongsInit();
        DisPlayOtherInit();
        if (GetiPodDriver()) {
            LoadSelectedPod();
            DisPlaySongs(0);
            DisPlayOther();
        }
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("FormShow:") + error.what());
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // However the window is closed, a running job is asked about first.
    if (Copying && !quitConfirmed_) {
        event->ignore();
        QTimer::singleShot(0, this,
                           [this] { RunHandler(this, [this] { XP_ButtonSmall3Click(); }); });
        return;
    }
    AbandonJob();
    FormClose();
    event->accept();
}

void TFormMain::FormClose() {
    WriteIniFile();
    Settings.WriteRegistry();
}

void TFormMain::OpenHomePage() {
    SkinnedWindow::OpenAddress(this, HomePageAddress());
}

void TFormMain::OpenSupportPage() {
    SkinnedWindow::OpenAddress(this, SupportPageAddress());
}

void TFormMain::APPMoesemove(QMouseEvent* event) {
    if (!event->buttons().testFlag(Qt::LeftButton))
        return;
    skin_->MoveWindow();
    RecreateTables();
}

// The tables are drawn afresh once the window has been moved; their rows, marks, texts, widths
// and scroll positions live in the grids and are not touched.
void TFormMain::RecreateTables() {
    for (TITunesStringGrid* table : {AdvStringGridSong, AlbumList, ArtistList, FileTypeList})
        table->Refresh();
}

void TFormMain::XP_ButtonSmall1Click() {
    SkinnedWindow::MinimizeApplication();
}

void TFormMain::XP_ButtonSmall2Click() {
    OpenSupportPage();
}

void TFormMain::XP_Button5Click() {
    OpenHomePage();
}

void TFormMain::ShowStatus(const std::string& text) {
    Notifier->setText(Q(ShortenStatusText(text)));
}

std::string TFormMain::StatusText() const {
    return Notifier->text().toStdString();
}

void TFormMain::LoadSelectedPod() {
    iPod.DriveRoot = platform::text::WideToAnsi(SelectedDrive);
    LoadCatalogue();
}

void TFormMain::LoadCatalogue() {
    ++catalogueGeneration_;
    iPod.LoadDatabase();
}

bool TFormMain::GetiPodDriver() {
    bool added = false;
    try {
        const std::uint32_t drives = platform::Drives().LogicalDrives();
        iPodSelectorCom->clear();
        for (const char letter : SearchedDriveLetters(drives)) {
            const std::string root = DriveRootOf(letter);
            if (!HasiPodFolder(root))
                continue;
            const std::string entry = GetVolumInformation(letter) + root;
            if (iPodSelectorCom->findText(Q(entry), Qt::MatchFixedString) >= 0)
                continue;
            if (SelectedDrive.empty())
                SelectedDrive = platform::text::AnsiToWide(root);
            iPodSelectorCom->addItem(Q(entry));
            iPodSelectorCom->setCurrentIndex(0);
            PodReady = true;
            added = true;
        }
        if (iPodSelectorCom->count() > 0) {
            ShowStatus(std::to_string(iPodSelectorCom->count()) + " iPod detected.");
        } else {
            iPodSelectorCom->addItem(NoiPodText);
            iPodSelectorCom->setCurrentIndex(0);
            ShowStatus(NoiPodText);
        }
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("GetiPodDriver:") + error.what());
    }
    return added;
}

std::string TFormMain::GetVolumInformation(char letter) {
    std::string text;
    try {
        text = " [" + SelectorLabel(letter) + "]  ";
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("GetVolumInformation:") + error.what());
    }
    return text;
}

void TFormMain::iPodSelectorComCloseUp() {
    if (!PodReady)
        return;
    const std::u16string entry = iPodSelectorCom->currentText().toStdU16String();
    const std::size_t bracket = entry.find(u']');
    // Positions count from 1 and p is 0 without a "]": the drive starts at p + 3.
    const std::size_t p = bracket == std::u16string::npos ? 0 : bracket + 1;
    const std::size_t start = p + 2;
    SelectedDrive = start < entry.size() ? entry.substr(start, 2) : std::u16string();
    iPod.DriveRoot = platform::text::WideToAnsi(SelectedDrive);
    LoadCatalogue();
    DisPlaySongs(0);
    DisPlayOther();
}

void TFormMain::WMDeviceChange(platform::WPARAM event) {
    if (event != platform::DBT_DEVICEARRIVAL)
        return;
    ShowStatus("Detecting New iPod...");
    GetiPodDriver();
    LoadSelectedPod();
    DisPlaySongs(0);
    DisPlayOther();
}

platform::LRESULT TFormMain::WndProc(unsigned message, platform::WPARAM wParam,
                                     platform::LPARAM lParam) {
    switch (message) {
    case platform::WM_DEVICECHANGE:
        RunHandler(this, [&] { WMDeviceChange(wParam); });
        return 0;
    case WM_COPYPROGRESS:
        RunHandler(this, [&] { CMProgress(wParam, lParam); });
        return 0;
    case WM_COPYDONE:
        CMProgressFinish();
        return 0;
    case WM_COPYSTOPPED:
        CMProgressStopped();
        return 0;
    default:
        return 0;
    }
}

void TFormMain::ReadIniFile() {
    try {
        const TWindowLayout layout = TLayoutFile(Settings.AppDir).Read();
        iPodSelector->setVisible(layout.iPodSelector);
        iPodSelectorCom->setVisible(iPodSelector->isVisibleTo(this));
        Image3->setVisible(iPodSelector->isVisibleTo(this));
        SearchBox->setVisible(layout.SearchBox);
        Edit1->setVisible(SearchBox->isVisibleTo(this));
        Image4->setVisible(SearchBox->isVisibleTo(this));
        ArtistList->setVisible(layout.ArtistList);
        AlbumList->setVisible(layout.AlbumList);
        FileTypeList->setVisible(layout.FileTypeList);
        ColumnWidths->insert(ColumnWidths->end(), layout.ColumnWidths.begin(),
                             layout.ColumnWidths.end());
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("ReadIniFile:") + error.what());
    }
}

void TFormMain::WriteIniFile() {
    try {
        TWindowLayout layout;
        layout.iPodSelector = iPodSelector->isVisibleTo(this);
        layout.SearchBox = SearchBox->isVisibleTo(this);
        layout.ArtistList = ArtistList->isVisibleTo(this);
        layout.AlbumList = AlbumList->isVisibleTo(this);
        layout.FileTypeList = FileTypeList->isVisibleTo(this);
        for (int col = 0; col < TLayoutFile::ColumnCount; ++col)
            layout.ColumnWidths.push_back(std::to_string(AdvStringGridSong->ColWidths(col)));
        TLayoutFile(Settings.AppDir).Write(layout);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("WriteIniFile:") + error.what());
    }
}

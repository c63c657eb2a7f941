// The main window's library browser: the song table, the category panes, their views, the
// selection commands, the status line's counts and playback.
#include "app/FrmMain.h"

#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/XP_ProgressBar_Itunes.h"
#include "app/error_log.h"
#include "app/song_search.h"
#include "platform/text.h"
#include "platform/ui/shell.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace {

constexpr int RowHeight = 16;
constexpr const char* AllEntry = "All ...";
constexpr const char* AlbumHeader = "Album List";
constexpr const char* ArtistHeader = "Artist List";
constexpr const char* FileTypeHeader = "File Type List";
constexpr const char* SongCaptions[] = {"Title",    "File Size", "Album",   "Artist",
                                        "Genre",    "Filetype",  "Comment", "EQSetting",
                                        "Composer", "Grouping"};

// A command run from code does nothing while its menu item is disabled.
void Activate(QAction* item) {
    if (item->isEnabled())
        item->trigger();
}

int WidthOf(const std::string& text) {
    try {
        return std::max(0, std::stoi(text));
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

// ---- Song table ----

void TFormMain::DisPlaySongsInit() {
    try {
        AdvStringGridSong->SetColWidths(0, 0);
        for (int col = 1; col <= 10; ++col) {
            const auto index = static_cast<std::size_t>(col);
            AdvStringGridSong->SetColWidths(
                col, index < ColumnWidths->size() ? WidthOf((*ColumnWidths)[index]) : 0);
        }
        AdvStringGridSong->SetRowCount(2);
        AdvStringGridSong->SetRowHeights(0, RowHeight);
        AdvStringGridSong->SetRowHeights(1, RowHeight);
        for (int col = 1; col <= 10; ++col)
            AdvStringGridSong->SetCell(col, 0, SongCaptions[col - 1]);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("DisPlaySongsInit:") + error.what());
    }
}

void TFormMain::DisPlaySongs(int kind, const TStringList* values) {
    try {
        const ViewKind view = static_cast<ViewKind>(kind);
        const std::int32_t n = iPod.GetSongCount();
        AdvStringGridSong->ClearCells();
        DisPlaySongsInit();
        addedRows_ = 0;
        if (view == ViewKind::Empty)
            return; // the header and one empty row
        AdvStringGridSong->SetRowCount(n + 1);
        if (n <= 0)
            return; // no song walked: the status line keeps its text
        static const TStringList none;
        const TStringList& texts = values ? *values : none;
        if (view == ViewKind::All)
            ShowStatus(std::to_string(n) + " Files found in your iPod.");
        else if (view == ViewKind::Album || view == ViewKind::Artist || view == ViewKind::FileType)
            ShowStatus(ViewStatusText(view, texts));
        const std::vector<std::int32_t> shown =
            SongTexts().SongsInView(view, texts, static_cast<std::size_t>(n));
        // A search empties the table at the first song that does not match, until one does.
        if (view == ViewKind::Search && (shown.empty() || shown.front() != 0))
            DisPlaySongs(static_cast<int>(ViewKind::Empty));
        for (const std::int32_t index : shown)
            AddSongRow(index);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("DisPlaySongs:") + error.what());
    }
}

void TFormMain::AddSongRow(std::int32_t index) {
    const TSongTexts& texts = SongTexts();
    const int r = ++addedRows_;
    AdvStringGridSong->SetRowCount(r + 1);
    AdvStringGridSong->SetRowHeights(r, RowHeight);
    if (index >= 0 && static_cast<std::size_t>(index) < texts.Size()) {
        for (int col = 1; col <= 10; ++col)
            AdvStringGridSong->SetCell(
                col, r, texts.Text(static_cast<std::size_t>(index), TSongTexts::Column(col - 1)));
    }
    AdvStringGridSong->SetRowTag(r, (static_cast<std::int64_t>(catalogueGeneration_) << 32) |
                                        (static_cast<std::int64_t>(index) + 1));
    AdvStringGridSong->SetRowMarked(r, false);
}

const TSongTexts& TFormMain::SongTexts() {
    // Every load changes the generation; the size guards against songs changed behind it.
    if (!songTexts_ || songTextsGeneration_ != catalogueGeneration_ ||
        songTexts_->Size() != iPod.Songs.size()) {
        songTexts_.reset();
        songTexts_ = std::make_unique<TSongTexts>(iPod.Songs);
        songTextsGeneration_ = catalogueGeneration_;
    }
    return *songTexts_;
}

TSong TFormMain::SongOfRow(int row) const {
    const std::optional<std::size_t> index = SongIndexOfRow(row);
    return index ? iPod.Songs[*index] : TSong();
}

std::optional<std::size_t> TFormMain::SongIndexOfRow(int row) const {
    const std::int64_t tag = AdvStringGridSong->RowTag(row);
    if (tag != 0 && static_cast<std::uint32_t>(tag >> 32) == catalogueGeneration_) {
        const auto index = static_cast<std::size_t>((tag & 0xFFFFFFFF) - 1);
        if (index < iPod.Songs.size())
            return index;
    }
    return iPod.IndexByTitle(AdvStringGridSong->GetCell(1, row));
}

// ---- Panes ----

void TFormMain::InitPane(TITunesStringGrid* pane, const char* header) {
    pane->SetColWidths(0, 0);
    pane->SetColWidths(1, 200);
    pane->SetRowCount(2);
    pane->SetCell(1, 0, header);
    pane->SetRowHeights(1, RowHeight);
    pane->SetRowHeights(0, RowHeight);
}

void TFormMain::DisPlayOtherInit() {
    try {
        InitPane(ArtistList, ArtistHeader);
        InitPane(AlbumList, AlbumHeader);
        InitPane(FileTypeList, FileTypeHeader);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("DisPlayOtherInit:") + error.what());
    }
}

void TFormMain::FillNamePane(TITunesStringGrid* pane, const char* header, const NameList& names) {
    pane->ClearCells();
    pane->SetCell(1, 0, header);
    int n = 0;
    for (const std::string& name : names) {
        if (name.empty())
            continue;
        ++n;
        pane->SetRowCount(n + 2);
        pane->SetRowHeights(n, RowHeight);
        pane->SetCell(1, n + 1, name);
    }
    pane->SetRowHeights(pane->RowCount() - 1, RowHeight);
    pane->SetCell(1, 1, AllEntry);
}

void TFormMain::DisPlayOther() {
    try {
        // The catalogue's name lists, taken from the texts converted at the load.
        const TSongTexts& texts = SongTexts();
        FillNamePane(ArtistList, ArtistHeader, texts.Names(TSongTexts::Artist));
        FillNamePane(AlbumList, AlbumHeader, texts.Names(TSongTexts::Album));

        const NameList fileTypes = texts.Names(TSongTexts::FileType);
        FileTypeList->ClearCells();
        FileTypeList->SetCell(1, 0, FileTypeHeader);
        const int c = static_cast<int>(fileTypes.size());
        FileTypeList->SetRowCount(c + 2);
        for (int i = 0; i < c; ++i)
            FileTypeList->SetCell(1, i + 2, fileTypes[static_cast<std::size_t>(i)]);
        for (int row = 0; row < FileTypeList->RowCount(); ++row)
            FileTypeList->SetRowHeights(row, RowHeight);
        FileTypeList->SetCell(1, 1, AllEntry);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("DisPlayOther:") + error.what());
    }
}

void TFormMain::ArrangePanes() {
    if (SearchBox->isVisibleTo(this)) {
        SearchBox->move(526, 36);
        Edit1->move(SearchBox->x() + 24, SearchBox->y() + 8);
    }
    if (iPodSelector->isVisibleTo(this)) {
        iPodSelector->move(55, 36);
        iPodSelectorCom->move(iPodSelector->x() + 2, iPodSelector->y() + 2);
    }
    if (AlbumList->isVisibleTo(this))
        AlbumList->setGeometry(24, 88, 217, 80);
    if (ArtistList->isVisibleTo(this))
        ArtistList->setGeometry(AlbumList->x() + 219, 88, 217, 80);
    if (FileTypeList->isVisibleTo(this))
        FileTypeList->setGeometry(ArtistList->x() + 219, 88, 217, 80);
    AdvStringGridSong->setGeometry(24, 174, 660, 237);
    if (!AlbumList->isVisibleTo(this) && !ArtistList->isVisibleTo(this) &&
        !FileTypeList->isVisibleTo(this))
        AdvStringGridSong->setGeometry(24, 88, 660, 237 + 86);
}

// ---- Filtering and search ----

void TFormMain::PaneFilter(TITunesStringGrid* pane, ViewKind kind, const char* tag) {
    try {
        if (!PodReady || Copying)
            return;
        TStringList marked;
        bool all = false;
        for (int row = 0; row < pane->RowCount(); ++row) {
            if (!pane->IsRowMarked(row))
                continue;
            marked.push_back(pane->GetCell(1, row));
            all = all || platform::text::SameNoCase(marked.back(), AllEntry);
        }
        if (all)
            DisPlaySongs(static_cast<int>(ViewKind::All));
        else if (!marked.empty())
            DisPlaySongs(static_cast<int>(kind), &marked);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string(tag) + error.what());
    }
}

void TFormMain::DisPlayCurrentAlbumSongs() {
    PaneFilter(AlbumList, ViewKind::Album, "DisPlayCurrentAlbumSongs:");
}

void TFormMain::DisPlayCurrentArtistSongs() {
    PaneFilter(ArtistList, ViewKind::Artist, "DisPlayCurrentArtistSongs:");
}

void TFormMain::DisPlayCurrentFileTypeSongs() {
    PaneFilter(FileTypeList, ViewKind::FileType, "DisPlayCurrentFileTypeSongs:");
}

void TFormMain::AlbumListClick() {
    Activate(ClearSelectArtist);
    Activate(ClearSelectFileType);
}

void TFormMain::ArtistListClick() {
    Activate(ClearSelectAlbum);
    Activate(ClearSelectFileType);
}

void TFormMain::FileTypeListClick() {
    Activate(ClearSelectArtist);
    Activate(ClearSelectAlbum);
}

void TFormMain::PaneRightClickCell(TITunesStringGrid* pane, int row, void (TFormMain::*filter)()) {
    if (row <= 0)
        return;
    pane->SetRowMarked(row, true);
    pane->Refresh();
    (this->*filter)();
}

void TFormMain::Edit1KeyDown(int key) {
    try {
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return;
        if (!PodReady || Copying)
            return;
        const std::string text = Edit1->text().toStdString();
        if (!IsSearchableText(text))
            return;
        const TStringList values{text};
        DisPlaySongs(static_cast<int>(ViewKind::Search), &values);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("Edit1KeyPress:") + error.what());
    }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress)
        Edit1KeyDown(static_cast<QKeyEvent*>(event)->key());
    return QWidget::eventFilter(watched, event);
}

// ---- Selection commands and the status line ----

void TFormMain::CountMarkedSongs() {
    if (!PodReady)
        return;
    int n = 0;
    for (int row = 0; row < AdvStringGridSong->RowCount(); ++row) {
        if (AdvStringGridSong->IsRowMarked(row) && !AdvStringGridSong->CellText(1, row).empty())
            ++n;
    }
    ShowStatus(std::to_string(n) + (n >= 2 ? " files" : " file") + " Selected");
}

void TFormMain::SunPopupMenuSongsPopup() {
    const bool enabled = PodReady && !Copying;
    for (QAction* item : {CopyoutSong, SelectAllSong, InvertSelectSong, ClearSelectSong})
        item->setEnabled(enabled);
}

void TFormMain::SunPopupMenuArtistPopup() {
    for (QAction* item : {SelectAllArtist, InvertSelectArtist, ClearSelectArtist})
        item->setEnabled(PodReady);
}

void TFormMain::SunPopupMenuAlbumPopup() {
    for (QAction* item : {SelectAllAlbum, InvertSelectAlbum, ClearSelectAlbum})
        item->setEnabled(PodReady);
}

void TFormMain::SunPopupMenuFileTypePopup() {
    for (QAction* item : {SelectAllFileType, InvertSelectFileType, ClearSelectFileType})
        item->setEnabled(PodReady);
}

void TFormMain::SelectAllSongClick() {
    AdvStringGridSong->MarkRows(1, AdvStringGridSong->RowCount() - 1);
    CountMarkedSongs();
}

void TFormMain::InvertSelectSongClick() {
    for (int row = 1; row < AdvStringGridSong->RowCount(); ++row)
        AdvStringGridSong->SetRowMarked(row, !AdvStringGridSong->IsRowMarked(row));
    CountMarkedSongs();
}

void TFormMain::ClearSelectSongClick() {
    for (int row = 1; row < AdvStringGridSong->RowCount(); ++row)
        AdvStringGridSong->SetRowMarked(row, false);
    CountMarkedSongs();
}

void TFormMain::MarkPaneRows(TITunesStringGrid* pane, bool invert) {
    // Rows from 2 on: every value, never "All ...".
    for (int row = 2; row < pane->RowCount(); ++row)
        pane->SetRowMarked(row, invert ? !pane->IsRowMarked(row) : true);
}

void TFormMain::ClearPaneRows(TITunesStringGrid* pane) {
    for (int row = 1; row < pane->RowCount(); ++row)
        pane->SetRowMarked(row, false);
}

void TFormMain::SelectAllArtistClick() {
    MarkPaneRows(ArtistList, false);
    DisPlayCurrentArtistSongs();
}

void TFormMain::InvertSelectArtistClick() {
    MarkPaneRows(ArtistList, true);
    DisPlayCurrentArtistSongs();
}

void TFormMain::ClearSelectArtistClick() {
    ClearPaneRows(ArtistList);
}

void TFormMain::SelectAllAlbumClick() {
    MarkPaneRows(AlbumList, false);
    DisPlayCurrentAlbumSongs();
}

void TFormMain::InvertSelectAlbumClick() {
    MarkPaneRows(AlbumList, true);
    DisPlayCurrentAlbumSongs();
}

void TFormMain::ClearSelectAlbumClick() {
    ClearPaneRows(AlbumList);
}

void TFormMain::SelectAllFileTypeClick() {
    MarkPaneRows(FileTypeList, false);
    DisPlayCurrentFileTypeSongs();
}

void TFormMain::InvertSelectFileTypeClick() {
    MarkPaneRows(FileTypeList, true);
    DisPlayCurrentFileTypeSongs();
}

void TFormMain::ClearSelectFileTypeClick() {
    ClearPaneRows(FileTypeList);
}

void TFormMain::AdvStringGridSongRightClickCell(int row) {
    if (row > 0)
        AdvStringGridSong->SetRowMarked(row, true);
    CountMarkedSongs();
}

void TFormMain::AdvStringGridSongMouseUp() {
    if (Copying || !PodReady)
        return;
    ProgressBarItunes->SetPosition(0);
    CountMarkedSongs();
}

// ---- Playback ----

void TFormMain::AdvStringGridSongDblClickCell(int row, int /*col*/) {
    if (!Settings.PlayOnDoubleClick || !PodReady || row <= 0)
        return;
    try {
        // A row built from no song (as after a search without result) has an empty title.
        platform::ui::Shell().ShellExecute(this, "open", iPod.SongPath(SongOfRow(row)));
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("PlaySong:") + error.what());
    }
}

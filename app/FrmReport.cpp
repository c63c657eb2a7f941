#include "app/FrmReport.h"

#include "app/FrmMain.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/SkinnedWindow.h"
#include "app/component/SunImage.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ButtonSmall.h"
#include "app/error_log.h"
#include "app/output_naming.h"
#include "app/product_addresses.h"
#include "app/shown_paths.h"
#include "platform/ui/design_fonts.h"
#include "platform/ui/shell.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

namespace {

constexpr int RowHeight = 16;
constexpr int TopBarHeight = 78;
constexpr int BottomBarHeight = 33;

} // namespace

TFormReport::TFormReport(TFormMain& main) : QDialog(&main), main_(main) {
    setFixedWidth(DesignWidth);
    setFont(platform::ui::DialogFont());
    skin_ = new SkinnedWindow(*this);
    CreateControls();
}

void TFormReport::CreateControls() {
    const SkinPiece pieces[] = {
        {"SunImage3", 0, 0, 6, 78, "FRAME_TOPLEFT", false},
        {"SunImage1", 6, 0, 420, 78, "FRAME_TOP", true},
        {"SunImage4", 426, 0, 6, 78, "FRAME_TOPRIGHT", false},
        {"SunImage9", 0, 78, 3, 171, "FRAME_LEFT", true},
        {"SunImage10", 429, 78, 3, 171, "FRAME_RIGHT", true},
        {"ImageB1", 0, 249, 6, 33, "FRAME_BOTTOMLEFT", false},
        {"ImageB2", 6, 249, 420, 33, "FRAME_BOTTOM", true},
        {"ImageB3", 426, 249, 6, 33, "FRAME_BOTTOMRIGHT", false},
        {"Image1", 24, 249, 185, 32, "PRODUCT_NAME", false},
    };
    TSunImage** targets[] = {&SunImage3, &SunImage1, &SunImage4, &SunImage9, &SunImage10,
                             &ImageB1,   &ImageB2,   &ImageB3,   &Image1};
    for (std::size_t i = 0; i < std::size(pieces); ++i) {
        *targets[i] = skin_->PlacePiece(pieces[i]);
        skin_->BindDrag(*targets[i]);
    }
    skin_->OnDragMouseMove = [this](QMouseEvent* event) { SunImage3MouseMove(event); };

    Label1 = new QLabel("Fllowing files has been copied. ", this);
    Label1->move(16, 96);
    Label1->adjustSize();
    skin_->BindDrag(Label1);

    OpenDir = new TXP_Button("Open Directory", this);
    OpenDir->setGeometry(223, 85, 89, 28);
    CloseButton = new TXP_Button("Close", this);
    CloseButton->setGeometry(319, 85, 89, 28);
    connect(OpenDir, &TXP_Button::clicked, this, [this] { OpenDirClick(); });
    connect(CloseButton, &TXP_Button::clicked, this, [this] { XP_ButtonSmall3Click(); });

    Reporter = new TITunesStringGrid(this);
    Reporter->setGeometry(16, 122, 401, 6 * RowHeight);
    Reporter->SetColCount(2);
    Reporter->SetColWidths(0, 166);
    Reporter->SetColWidths(1, 223);
    Reporter->SetHeaderButtons(false);
    Reporter->SetHeaderColor(palette().color(QPalette::Button));
    Reporter->SetSelectionTextColor(Qt::black);
    Reporter->SetShowFocusRect(true);
    Reporter->SetScrollBars(TITunesStringGrid::ssNone);
    Reporter->SetOption(TITunesStringGrid::goColSizing, true);
    Reporter->SetOption(TITunesStringGrid::goRowSelect, true);
    Reporter->MouseActions.DisjunctRowSelect = false;
    Reporter->SortSettings.Show = false;
    Reporter->OnDblClick = [this] { ReporterDblClick(); };
    SunPopupreport = new QMenu(this);
    connect(SunPopupreport->addAction("Open directory"), &QAction::triggered, this,
            [this] { OpenDirClick(); });
    Reporter->SetPopupMenu(SunPopupreport);

    const auto titleButtons =
        skin_->PlaceTitleButtons(349, QString::fromStdString(HomePageAddress()));
    XP_ButtonSmall1 = titleButtons.minimize;
    XP_ButtonSmall3 = titleButtons.close;
    XP_ButtonSmall2 = titleButtons.help;
    connect(XP_ButtonSmall1, &TXP_Button::clicked, this, [this] { XP_ButtonSmall1Click(); });
    connect(XP_ButtonSmall3, &TXP_Button::clicked, this, [this] { XP_ButtonSmall3Click(); });
    connect(XP_ButtonSmall2, &TXP_Button::clicked, this, [this] { XP_ButtonSmall2Click(); });
}

int TFormReport::ShowModal() {
    return exec();
}

void TFormReport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

std::string TFormReport::PathText(std::size_t i) const {
    const CopyOutcome outcome = ReportResults && i < ReportResults->size()
                                    ? (*ReportResults)[i].Outcome
                                    : CopyOutcome::Copied;
    switch (outcome) {
    case CopyOutcome::Copied:
        return ShownPath((*ReportPaths)[i]);
    case CopyOutcome::MissingSource:
        return "Not copied: the song's file is missing on the iPod";
    case CopyOutcome::NotReached:
        return "Not copied: the copy stopped before this file";
    case CopyOutcome::Failed:
        return "Not copied: " + WithShownPath((*ReportResults)[i].Reason);
    }
    return {};
}

void TFormReport::FormShow() {
    const int n = ReportFiles ? static_cast<int>(ReportFiles->size()) : 0;
    Reporter->SetRowCount(n + 1);
    const int gridTop = OpenDir->y() + OpenDir->height() + 9;
    int gridHeight = (n + 6) * RowHeight;
    // The window grows with the job until it fills the screen; from there on its list scrolls.
    const QScreen* place = main_.screen() ? main_.screen() : QGuiApplication::primaryScreen();
    const QRect available = place->availableGeometry();
    const int fixedHeight = gridTop + 20 + BottomBarHeight + 1;
    const bool scrolls = fixedHeight + gridHeight > available.height();
    if (scrolls)
        gridHeight = std::max(6 * RowHeight, available.height() - fixedHeight);
    Reporter->SetScrollBars(scrolls ? TITunesStringGrid::ssVertical : TITunesStringGrid::ssNone);
    Reporter->setGeometry(16, gridTop, 401, gridHeight);

    const int bottomTop = gridTop + gridHeight + 20;
    for (TSunImage* piece : {ImageB1, ImageB2, ImageB3, Image1})
        piece->move(piece->x(), bottomTop);
    const int windowHeight = bottomTop + BottomBarHeight + 1;
    for (TSunImage* edge : {SunImage9, SunImage10}) {
        edge->move(edge->x(), SunImage1->height());
        edge->resize(edge->width(), windowHeight - TopBarHeight - BottomBarHeight);
    }
    setFixedHeight(windowHeight);
    int top = main_.y() + (main_.height() - windowHeight) / 2;
    // A window as high as the screen is of use only when all of it is on the screen.
    if (scrolls)
        top = std::clamp(top, available.top(), available.bottom() + 1 - windowHeight);
    move(main_.x() + (main_.width() - width()) / 2, top);

    Reporter->SetCell(0, 0, "File");
    Reporter->SetCell(1, 0, "Copy path");
    Reporter->SetRowHeights(0, RowHeight);
    for (int i = 1; i <= n; ++i) {
        const auto entry = static_cast<std::size_t>(i - 1);
        Reporter->SetRowHeights(i, RowHeight);
        Reporter->SetCell(0, i, (*ReportFiles)[entry]);
        Reporter->SetCell(1, i, PathText(entry));
    }
    skin_->SetRoundedRegion();
}

void TFormReport::OpenDirClick() {
    try {
        const std::string& first = ReportPaths->at(0);
        // The first file is selected in its folder when it was written; a file of that name
        // that the job did not write is none of its business.
        const bool written = !ReportResults || ReportResults->empty() ||
                             ReportResults->front().Outcome == CopyOutcome::Copied;
        std::string folder = DestinationFolder(first);
        std::string selected = first;
        // Files sorted into folders below the chosen one: that one opens, with the folder that
        // leads to the first file selected.
        if (ReportFolder && !ReportFolder->empty() && first.starts_with(*ReportFolder + "\\")) {
            folder = *ReportFolder;
            const std::string below = first.substr(folder.size() + 1);
            selected = folder + "\\" + below.substr(0, below.find('\\'));
        }
        platform::ui::Shell().ShowInFolder(this, folder, written ? selected : std::string());
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("Button2Click:") + error.what());
    }
}

void TFormReport::ReporterDblClick() {
    OpenDirClick();
}

void TFormReport::XP_ButtonSmall1Click() {
    SkinnedWindow::MinimizeApplication();
}

void TFormReport::XP_ButtonSmall3Click() {
    repaint(); // the background at once, then close
    close();
}

void TFormReport::XP_ButtonSmall2Click() {
    main_.OpenSupportPage();
}

void TFormReport::SunImage3MouseMove(QMouseEvent*) {
    skin_->MoveWindow();
}

#include "app/FrmOption.h"

#include "app/FrmMain.h"
#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/SkinnedWindow.h"
#include "app/component/SunCheckListBox.h"
#include "app/component/SunImage.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ButtonSmall.h"
#include "app/component/XP_GroupBox.h"
#include "app/error_log.h"
#include "app/product_addresses.h"
#include "platform/ui/design_fonts.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <array>
#include <exception>
#include <string>
#include <vector>

namespace {

const QColor BoxColor(224, 224, 224);
const QColor BoxBorderColor(160, 160, 164);
const QColor BoxCaptionColor(0, 0, 0);
constexpr int ShownColumnWidth = 80;

// The frame of this window, as placed at design time.
constexpr std::array<SkinPiece, 10> FramePieces = {{
    {"SunImage3", 0, 0, 6, 78, "FRAME_TOPLEFT", false},
    {"SunImage1", 6, 0, 484, 78, "FRAME_TOP", true},
    {"SunImage4", 490, 0, 6, 78, "FRAME_TOPRIGHT", false},
    {"SunImage2", 34, 30, 239, 22, "PRODUCT_TITLE", false},
    {"SunImage9", 0, 45, 3, 300, "FRAME_LEFT", true},
    {"SunImage10", 493, 45, 3, 300, "FRAME_RIGHT", true},
    {"ImageB1", 0, 345, 6, 33, "FRAME_BOTTOMLEFT", false},
    {"ImageB2", 6, 345, 484, 33, "FRAME_BOTTOM", true},
    {"ImageB3", 490, 345, 6, 33, "FRAME_BOTTOMRIGHT", false},
    {"Image1", 24, 345, 185, 32, "PRODUCT_NAME", false},
}};

constexpr std::array<const char*, 5> ModuleNames = {"iPod Selector", "Search Box", "Artist List",
                                                    "Album List", "FileType List"};

// The main-window controls each module item shows or hides; the first one tells whether the
// module is shown.
std::vector<QWidget*> ModuleControls(TFormMain& main, int module) {
    switch (module) {
    case 0:
        return {main.iPodSelector, main.iPodSelectorCom, main.Image3};
    case 1:
        return {main.SearchBox, main.Edit1, main.Image4};
    case 2:
        return {main.ArtistList};
    case 3:
        return {main.AlbumList};
    default:
        return {main.FileTypeList};
    }
}

TXP_GroupBox* MakeGroupBox(const QString& caption, const QRect& place, QWidget* parent) {
    auto* box = new TXP_GroupBox(caption, parent);
    box->setGeometry(place);
    box->SetColor(BoxColor);
    box->SetBorderColor(BoxBorderColor);
    box->SetCaptionColor(BoxCaptionColor);
    return box;
}

TSunCheckListBox* MakeCheckList(const QRect& place, TXP_GroupBox* box) {
    auto* list = new TSunCheckListBox(box);
    list->setGeometry(place);
    list->SetColor(box->Color());
    list->SetBorderColor(QColor(224, 224, 224));
    return list;
}

QLabel* MakeLabel(const QString& text, QPoint place, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->move(place);
    label->adjustSize();
    return label;
}

TXP_Button* MakeButton(const QString& caption, const QRect& place, QWidget* parent) {
    auto* button = new TXP_Button(caption, parent);
    button->setGeometry(place);
    return button;
}

} // namespace

TFormOption::TFormOption(TFormMain& main) : QDialog(&main), main_(main) {
    setWindowTitle("Options Setting");
    setFixedSize(DesignWidth, DesignHeight);
    setFont(platform::ui::DialogFont());
    skin_ = new SkinnedWindow(*this);
    CreateSkin();
    CreateControls();
    FormCreate();
}

void TFormOption::CreateSkin() {
    std::array<TSunImage**, FramePieces.size()> pieces = {
        &SunImage3,  &SunImage1, &SunImage4, &SunImage2, &SunImage9,
        &SunImage10, &ImageB1,   &ImageB2,   &ImageB3,   &Image1};
    for (std::size_t i = 0; i < FramePieces.size(); ++i) {
        *pieces[i] = skin_->PlacePiece(FramePieces[i]);
        skin_->BindDrag(*pieces[i]);
    }
    skin_->OnDragMouseMove = [this](QMouseEvent* event) { SunImage1MouseMove(event); };
}

void TFormOption::CreateControls() {
    XP_GroupBox1 = MakeGroupBox("Display", QRect(16, 88, 217, 201), this);
    Label1 = MakeLabel("Modules Display", QPoint(16, 24), XP_GroupBox1);
    Label2 = MakeLabel("Colums Display", QPoint(120, 24), XP_GroupBox1);
    SunCheckListBoxModule = MakeCheckList(QRect(8, 48, 97, 145), XP_GroupBox1);
    SunCheckListBoxCols = MakeCheckList(QRect(104, 48, 105, 145), XP_GroupBox1);
    SunCheckListBoxModule->OnClickCheck = [this] { SunCheckListBoxModuleClickCheck(); };
    SunCheckListBoxCols->OnClickCheck = [this] { SunCheckListBoxColsClickCheck(); };

    XP_GroupBox2 = MakeGroupBox("General Options", QRect(240, 88, 217, 201), this);
    PlaySong = new QCheckBox("Double Click to Play Song.", XP_GroupBox2);
    PlaySong->setGeometry(24, 66, 153, 17);
    OverWrite = new QCheckBox("Always Overwrite Exist File.", XP_GroupBox2);
    OverWrite->setGeometry(24, 96, 169, 17);
    SortFolders = new QCheckBox("Sort into artist and album folders.", XP_GroupBox2);
    SortFolders->setGeometry(24, 126, 185, 17);

    XP_Button2 = MakeButton("Restore Default", QRect(144, 301, 89, 28), this);
    OpenDir = MakeButton("Save", QRect(255, 301, 89, 28), this);
    XP_Button1 = MakeButton("Cancel", QRect(359, 301, 89, 28), this);
    connect(XP_Button2, &TXP_Button::clicked, this, [this] { XP_Button2Click(); });
    connect(OpenDir, &TXP_Button::clicked, this, [this] { OpenDirClick(); });
    connect(XP_Button1, &TXP_Button::clicked, this, [this] { XP_Button1Click(); });

    const auto titleButtons =
        skin_->PlaceTitleButtons(405, QString::fromStdString(HomePageAddress()));
    XP_ButtonSmall1 = titleButtons.minimize;
    XP_ButtonSmall3 = titleButtons.close;
    XP_ButtonSmall2 = titleButtons.help;
    connect(XP_ButtonSmall1, &TXP_Button::clicked, this, [this] { XP_ButtonSmall1Click(); });
    connect(XP_ButtonSmall3, &TXP_Button::clicked, this, [this] { XP_ButtonSmall3Click(); });
    connect(XP_ButtonSmall2, &TXP_Button::clicked, this, [this] { XP_ButtonSmall2Click(); });

    setTabOrder(XP_Button2, OpenDir);
    setTabOrder(OpenDir, XP_Button1);
}

void TFormOption::FormCreate() {
    skin_->SetRoundedRegion();
}

int TFormOption::ShowModal() {
    return exec();
}

void TFormOption::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormOption::keyPressEvent(QKeyEvent* event) {
    // No button of this window answers Escape.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormOption::FormShow() {
    try {
        SunCheckListBoxCols->clear();
        TITunesStringGrid& songs = *main_.AdvStringGridSong;
        for (int column = 1; column < songs.ColCount(); ++column) {
            SunCheckListBoxCols->AddItem(QString::fromStdString(songs.GetCell(column, 0)));
            SunCheckListBoxCols->SetChecked(column - 1, songs.ColWidths(column) > 0);
        }

        SunCheckListBoxModule->clear();
        for (int module = 0; module < static_cast<int>(ModuleNames.size()); ++module) {
            SunCheckListBoxModule->AddItem(QString::fromLatin1(ModuleNames[module]));
            QWidget* first = ModuleControls(main_, module).front();
            SunCheckListBoxModule->SetChecked(module, first->isVisibleTo(&main_));
        }

        OverWrite->setChecked(OverwriteExisting);
        PlaySong->setChecked(PlayOnDoubleClick);
        SortFolders->setChecked(SortIntoFolders);

        move(main_.x() + (main_.width() - width()) / 2,
             main_.y() + (main_.height() - height()) / 2);
        XP_Button1->setFocus();
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("AdvStringGridFileTypeClick:") + error.what());
    }
}

void TFormOption::SunCheckListBoxColsClickCheck() {
    try {
        for (int item = 0; item < SunCheckListBoxCols->count(); ++item)
            main_.AdvStringGridSong->SetColWidths(
                item + 1, SunCheckListBoxCols->Checked(item) ? ShownColumnWidth : 0);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("SunCheckListBoxColsClickCheck:") + error.what());
    }
}

void TFormOption::SunCheckListBoxModuleClickCheck() {
    try {
        for (int module = 0; module < static_cast<int>(ModuleNames.size()); ++module) {
            const bool shown = SunCheckListBoxModule->Checked(module);
            for (QWidget* control : ModuleControls(main_, module))
                control->setVisible(shown);
        }
        main_.ArrangePanes();
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("SunCheckListBoxColsClickCheck:") + error.what());
    }
}

void TFormOption::OpenDirClick() {
    main_.SetPlayOnDoubleClick(PlaySong->isChecked());
    main_.SetOverwriteExisting(OverWrite->isChecked());
    main_.SetSortIntoFolders(SortFolders->isChecked());
    close();
}

void TFormOption::XP_Button1Click() {
    close();
}

void TFormOption::XP_Button2Click() {
    OverWrite->setChecked(true);
    PlaySong->setChecked(false);
    SortFolders->setChecked(false);
    for (int item = 0; item < SunCheckListBoxCols->count(); ++item)
        SunCheckListBoxCols->SetChecked(item, true);
    for (int item = 0; item < SunCheckListBoxModule->count(); ++item)
        SunCheckListBoxModule->SetChecked(item, true);
    SunCheckListBoxModuleClickCheck();
    SunCheckListBoxColsClickCheck();
}

void TFormOption::XP_ButtonSmall1Click() {
    SkinnedWindow::MinimizeApplication();
}

void TFormOption::XP_ButtonSmall3Click() {
    close();
}

void TFormOption::XP_ButtonSmall2Click() {
    SkinnedWindow::OpenAddress(&main_, SupportPageAddress());
}

void TFormOption::SunImage1MouseMove(QMouseEvent*) {
    skin_->MoveWindow();
}

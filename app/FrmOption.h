#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QMouseEvent;
class SkinnedWindow;
class TFormMain;
class TSunCheckListBox;
class TSunImage;
class TXP_Button;
class TXP_ButtonSmall;
class TXP_GroupBox;

// The options window: which song columns and which main-window panes show (applied at once),
// and the general options (applied by "Save"). Created once, reused for every showing.
class TFormOption : public QDialog {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 497;
    static constexpr int DesignHeight = 379;

    explicit TFormOption(TFormMain& main);

    // Shows the window modally; returns when it is closed.
    int ShowModal();

    // Copies of the main window's flags, handed in before each showing.
    void SetPlayOnDoubleClick(bool value) { PlayOnDoubleClick = value; }
    void SetOverwriteExisting(bool value) { OverwriteExisting = value; }
    void SetSortIntoFolders(bool value) { SortIntoFolders = value; }

    // Controls.
    TXP_GroupBox* XP_GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    TSunCheckListBox* SunCheckListBoxModule = nullptr;
    TSunCheckListBox* SunCheckListBoxCols = nullptr;
    TXP_GroupBox* XP_GroupBox2 = nullptr;
    QCheckBox* PlaySong = nullptr;
    QCheckBox* OverWrite = nullptr;
    QCheckBox* SortFolders = nullptr;
    TXP_Button* XP_Button2 = nullptr; // "Restore Default"
    TXP_Button* OpenDir = nullptr;    // "Save"
    TXP_Button* XP_Button1 = nullptr; // "Cancel"
    TXP_ButtonSmall* XP_ButtonSmall1 = nullptr;
    TXP_ButtonSmall* XP_ButtonSmall3 = nullptr;
    TXP_ButtonSmall* XP_ButtonSmall2 = nullptr;

    // Skin pieces.
    TSunImage* SunImage1 = nullptr;
    TSunImage* SunImage2 = nullptr;
    TSunImage* SunImage3 = nullptr;
    TSunImage* SunImage4 = nullptr;
    TSunImage* SunImage9 = nullptr;
    TSunImage* SunImage10 = nullptr;
    TSunImage* ImageB1 = nullptr;
    TSunImage* ImageB2 = nullptr;
    TSunImage* ImageB3 = nullptr;
    TSunImage* Image1 = nullptr;

    // Event handlers.
    void FormCreate();
    void FormShow();
    void SunCheckListBoxColsClickCheck();
    void SunCheckListBoxModuleClickCheck();
    void OpenDirClick();
    void XP_Button1Click();
    void XP_Button2Click();
    void XP_ButtonSmall1Click();
    void XP_ButtonSmall3Click();
    void XP_ButtonSmall2Click();
    void SunImage1MouseMove(QMouseEvent* event);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void CreateSkin();

    TFormMain& main_;
    SkinnedWindow* skin_ = nullptr;
    bool PlayOnDoubleClick = false;
    bool OverwriteExisting = false;
    bool SortIntoFolders = false;
};

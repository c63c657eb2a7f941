#pragma once

#include "app/copy_job.h"

#include <QDialog>
#include <vector>

class QLabel;
class QMenu;
class QMouseEvent;
class SkinnedWindow;
class TFormMain;
class TITunesStringGrid;
class TSunImage;
class TXP_Button;
class TXP_ButtonSmall;

// The copy report: every song of a finished job and where its file went, with a button that
// opens the destination folder. Created once, reused for every job.
class TFormReport : public QDialog {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 433;

    explicit TFormReport(TFormMain& main);

    // The job's display names and destination paths (the main window's lists), and what became
    // of each entry; set before each showing.
    const TStringList* ReportFiles = nullptr;
    const TStringList* ReportPaths = nullptr;
    const std::vector<CopyResult>* ReportResults = nullptr;
    // The folder the user chose for the job, which "Open Directory" opens; unset or empty: the
    // first file's folder.
    const std::string* ReportFolder = nullptr;

    int ShowModal();

    QLabel* Label1 = nullptr;
    TXP_Button* OpenDir = nullptr;
    TXP_Button* CloseButton = nullptr;
    TITunesStringGrid* Reporter = nullptr;
    QMenu* SunPopupreport = nullptr;
    TXP_ButtonSmall* XP_ButtonSmall1 = nullptr;
    TXP_ButtonSmall* XP_ButtonSmall3 = nullptr;
    TXP_ButtonSmall* XP_ButtonSmall2 = nullptr;
    TSunImage* SunImage1 = nullptr;
    TSunImage* SunImage3 = nullptr;
    TSunImage* SunImage4 = nullptr;
    TSunImage* SunImage9 = nullptr;
    TSunImage* SunImage10 = nullptr;
    TSunImage* ImageB1 = nullptr;
    TSunImage* ImageB2 = nullptr;
    TSunImage* ImageB3 = nullptr;
    TSunImage* Image1 = nullptr;

    void FormShow();
    void OpenDirClick();
    void ReporterDblClick();
    void XP_ButtonSmall1Click();
    void XP_ButtonSmall3Click();
    void XP_ButtonSmall2Click();
    void SunImage3MouseMove(QMouseEvent* event);

    // The "Copy path" column's text for entry i: the host path of the file written, or why the
    // file was not copied.
    std::string PathText(std::size_t i) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();

    TFormMain& main_;
    SkinnedWindow* skin_ = nullptr;
};

// The sound velocity window: a cast file becomes, in three steps, the SV
// column the depth correction uses while "Use Sound Velocity Profile" is on.
// Four memos show the source, extracted, averaged lists and the column in
// use; the work is in tools/SvpProcessing.h, the lists' files in
// tools/SvpLists.h, the column in use in tools/SvpProfile.h (g_SvpProfile).
//
// Stays on top of the other windows; closing hides it and writes the "SVP"
// section. Controls carry their layout names; every handler Qt calls runs
// through platform::GuardHandler.
#pragma once

#include <QWidget>
#include <string>

#include "tools/SvpLists.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

class TfSVP : public QWidget {
    Q_OBJECT
  public:
    // The lists are read from and written to `places`.
    explicit TfSVP(TSvpListPlaces places = DefaultSvpListPlaces(), QWidget* parent = nullptr);

    void FormCreate();
    void FormShow();
    void FormCloseQuery();
    void BitBtn1Click();
    void bRawToSVVClick();
    void bSVVtoAveragedSVClick();
    void bAveragedSVtoSVPClick();
    void BitBtn2Click();
    void cUseSVPClick();
    void bGraphClick();
    void eSearchStringDblClick();
    void Defaults1Click();
    void AutoDedetct1Click();

    // The four lists as the saves write them: the working lists and the
    // column in use (the memo's column while none is in use).
    TSvpLists ListsForSave() const;
    // The working lists as the memos hold them.
    const TSvpLists& Lists() const { return FLists; }

    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QGroupBox* GroupBox5 = nullptr;  // the parameters
    QPlainTextEdit* mRawSVData = nullptr;
    QPlainTextEdit* mRawSVExtracted = nullptr;
    QPlainTextEdit* mSortedAveragedSV = nullptr;
    QPlainTextEdit* mSVPColumn = nullptr;
    QLineEdit* eSearchString = nullptr;
    QLineEdit* eMaxDepth = nullptr;
    QRadioButton* rSVFirst = nullptr;
    QRadioButton* rDFirst = nullptr;
    QCheckBox* cUseSVP = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* bGraph = nullptr;
    QToolButton* bRawToSVV = nullptr;
    QToolButton* bSVVtoAveragedSV = nullptr;
    QToolButton* bAveragedSVtoSVP = nullptr;
    QPushButton* bSaveClose = nullptr;
    QMenu* mDefault = nullptr;
    QAction* Defaults1 = nullptr;
    QAction* AutoDedetct1 = nullptr;

    // The open-text-file dialog's filter: every file.
    static const char* const kSvpFileFilter;

  protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildLayout();
    void ShowList(QPlainTextEdit* memo, TSvpList& list, TSvpList lines);
    void MemoEdited(QPlainTextEdit* memo, TSvpList& list);
    void ShowColumnInUse();

    TSvpListPlaces FPlaces;
    TSvpLists FLists;
    bool FShowing = false;  // a memo is being filled by the program
};

// The window, created by the program entry.
extern TfSVP* fSVP;

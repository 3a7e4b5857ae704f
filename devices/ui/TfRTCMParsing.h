// The RTCM report window ("RTCM Message Parser"): shows the text report of
// the last received corrections, one report line per memo line. "Save &
// Close" keeps a copy in the current day's log folder,
// <VLM root>/<D>/LOG/<D> Plovan RTCM Parsing.log with D today's date
// "yyyy-mm-dd" at the close (the folder is made when missing, so a survey
// running past midnight writes to the new day), replaced whole and
// atomically, CR LF line ends. A save that fails shows one message and the
// window stays; the window's close box only hides it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

class TfRTCMParsing : public QDialog {
    Q_OBJECT
  public:
    explicit TfRTCMParsing(QWidget* owner = nullptr);
    ~TfRTCMParsing() override;

    QPlainTextEdit* MemoRTCM = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnClose = nullptr;

    void ClearReport();
    void AddLine(const std::string& text);
    void btnClearClick() { ClearReport(); }
    // Saves (when the memo holds a line), then hides; false when the save
    // failed and the window stays.
    bool btnCloseClick();

    // The memo's lines as they were added.
    const std::vector<std::string>& Lines() const { return FLines; }

  protected:
    void setVisible(bool visible) override;

  private:
    std::vector<std::string> FLines;
};

// The RTCM report window, created last by the program entry.
extern TfRTCMParsing* fRTCMParsing;

#pragma once
// The script editor: a tool window over the main window in which the user
// writes, opens, saves and runs scripts on the current picture. It edits text
// and raises run requests; the main window parses again, runs the script and
// answers every request with exactly one FinishRun. While a run is in
// progress the window shrinks to a small status panel.

#include "scripts/ScriptLibrary.h"

#include <QWidget>

#include <functional>
#include <vector>

class QComboBox;
class QPlainTextEdit;
class QScrollArea;

namespace pv {

class TButton;
class TFocusRing;
class TLabel;
class TWindowKeyFilter;
class TRoundedPanel;
class TCubeView;
class TScriptHelpPanel;
class TSvgIcon;

class TFormScriptEditor : public QWidget {
    Q_OBJECT
public:
    using TOnRunScript = std::function<void(QObject* Sender, const QString& AScriptText)>;

    // The window is a tool window of `owner` (the main window), kept above it.
    explicit TFormScriptEditor(QWidget* owner);
    ~TFormScriptEditor() override;

    TOnRunScript FOnRunScript;
    // The main window's values behind the insert buttons, read on demand.
    std::function<TScriptInsertState()> FReadCurrentState;
    // Sets the main window's cancel flag.
    std::function<void()> FCancelRun;
    // Re-centres the main window's canvas.
    std::function<void()> FCenterCanvas;
    // Removes the link that keeps the window above the main window.
    std::function<void()> FUnlink;

    // ---- called by the main window
    // Shows the window in the current theme (controls and style sheets) and
    // in the current language; the main window calls both on a switch.
    void ApplyEditorTheme();
    void ApplyLanguage();
    void SetCurrentState();
    void UpdateProgress(int AStep, int ATotal, const QString& AStepName);
    void FinishRun(const QString& AError);
    void ResetToDefaultScript();
    // The wire cube over the script: moving while the window is shown and no
    // run is in progress.
    void StartCubeAnimation();
    void StopCubeAnimation();
    void HideCubeAnimation() { StopCubeAnimation(); }
    // The help icon: shows or hides the script reference.
    void SkSvg1Click();

    // ---- commands
    void BtnRunClick();
    void btnCancelClick();
    void BtnOpenClick();
    void BtnSaveClick();
    void BtnCloseClick();
    // Puts a line below the caret's line and the caret after it.
    void InsertScriptLine(const QString& line);
    void ScriptComboChange(int index);
    void ImportScripts(const QStringList& paths);
    void EnterMiniMode();
    void ExitMiniMode();

    // ---- state, for the main window and tests
    bool FRunning = false;
    bool FMiniMode = false;
    QString FCurrentFilePath;
    std::vector<TScriptEntry> FScripts;
    TScriptInsertState FCurrent;
    QPlainTextEdit* MemoScript = nullptr;
    QComboBox* CboScripts = nullptr;
    QComboBox* CboBlendMode = nullptr;
    TLabel* LblStatus = nullptr;
    TLabel* MiniStatus = nullptr;
    TButton* BtnRun = nullptr;
    TButton* btnCancel = nullptr;
    TButton* BtnOpen = nullptr;
    TButton* BtnSave = nullptr;
    TButton* BtnClose = nullptr;
    TButton* BtnMinimize = nullptr;
    TRoundedPanel* ProgressFill = nullptr;
    TRoundedPanel* MiniProgressFill = nullptr;
    TRoundedPanel* BackgroundRect = nullptr;
    TRoundedPanel* MiniPanel = nullptr;
    std::vector<TButton*> InsertButtons;
    TSvgIcon* SkSvg1 = nullptr;
    TScriptHelpPanel* MemoScriptHelp = nullptr;
    TCubeView* FCubePaintBox = nullptr;
    bool FClosing = false;
    // The ring around the control that got the focus from the keyboard.
    TFocusRing* FFocusRing = nullptr;
    // What Tab cycles through: the open reference, the mini panel during a
    // run, else the whole window.
    QWidget* TabRoot() const;

    // The status line's text and colour.
    QString StatusText() const;
    TAlphaColor StatusColor() const;
    // 0..100 as the progress fill shows it.
    double ProgressPercent() const { return progressPercent_; }

protected:
    // Hooks the tests replace: dialogs and message boxes.
    virtual void ShowMessage(const QString& text);
    virtual QStringList AskOpenScriptFiles();
    virtual QString AskSaveScriptFile();
    virtual bool ConfirmReplace(const QString& fileName);
    virtual QString AskWatermarkFile();

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateDesign();
    void CreateInsertButtons(QWidget* column);
    void CreateMiniUI();
    // Tab and Shift+Tab, Enter and Space under the ring, Esc, Ctrl+S and F5.
    void InstallKeys();
    void FocusRingUpdate(QWidget* old, QWidget* now);
    void RebuildScriptCombo();
    void SetStatus(const QString& text, TAlphaColor color);
    void SetProgressPercent(double percent);
    void SetRunningControls(bool running);
    void ShowMemoMenu(const QPoint& at);
    void ShowBlendModeList(TButton* anchor);
    // The blend-mode list closed: its line goes in and the list hides.
    void CboBlendModeClosePopup();
    void ApplyWindowBounds(int left, int top, int width, int height);
    void UpdateWindowShape();
    void LoadScriptText(const QStringList& lines, bool caretOnLastLine);
    // After one of the window's own dialogs: in front and active again.
    void ComeBackToFront();

    QWidget* TopBar = nullptr;
    TLabel* LblTitle = nullptr;
    QScrollArea* InsertScroll = nullptr;
    TLabel* LblScripts = nullptr;
    TButton* MiniCancel = nullptr;
    TButton* MiniRestore = nullptr;
    double progressPercent_ = 0;
    QSize FSaved;
    int FSavedLeft = 0;
    TWindowKeyFilter* keys_ = nullptr;
    QPoint dragOffset_;
    bool dragging_ = false;
};

} // namespace pv

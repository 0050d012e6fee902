#pragma once
// Batch mode: one treatment (the selected effect with its slider values, or
// a script) applied to many image files, one after another, each result
// written beside its input as "<name>_PV.<ext>" with 300-dpi metadata. A
// 200 ms timer on the UI thread waits for each run, saves its result and
// starts the next file.
//
// A file that cannot be read, a run that fails and a result that cannot be
// written are each reported for that file; the batch goes on, and only files
// whose result was written count as processed.

#include "scripts/Scripts.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <vector>

class QComboBox;

namespace pv {

class TButton;
class TForm1;
class TLabel;
class TRoundedPanel;

// The output beside an input: its folder and name, "_PV", and its extension
// in lower case (".bmp" becomes ".png"; no extension gives no extension).
QString BatchOutputFileName(const QString& InputFileName);

class TBatchMode : public QObject {
    Q_OBJECT
public:
    explicit TBatchMode(TForm1& form);
    ~TBatchMode() override;

    // The batch entry: waits for a running effect, asks for the files and
    // shows the confirmation panel.
    void StartBatchMode();
    // The files chosen; loads the first and shows the confirmation panel.
    void PrepareBatch(const QStringList& files);
    void BatchStartClick();
    void BatchCancelPreClick();
    void BatchCancelClick();
    void BatchLoadScriptClick();
    void BatchScriptComboChange(int index);
    // Re-colours what the theme walk does not reach (style sheets).
    void ApplyTheme();
    // Chooses a script text as the batch's treatment; Label names it.
    bool UseBatchScript(const QString& text, const QString& label);
    void OnBatchTimer();
    // Stops the timer for good (the window is going away).
    void Stop();

    // ---- state
    QStringList FBatchFiles;
    int FBatchIndex = 0;
    bool FBatchCancel = false;
    bool FBatchRunning = false;
    std::vector<TScriptCommand> FBatchScript;
    bool FBatchScriptMode = false;
    QStringList FBatchEmbScriptText;
    int FProcessed = 0; // results written in this batch
    QTimer FBatchTimer;

    // ---- controls (built on first use)
    TRoundedPanel* FBatchMsgPanel = nullptr;
    TLabel* FBatchMsgLabel = nullptr;
    TButton* FBatchStartBtn = nullptr;
    TButton* FBatchCancelPreBtn = nullptr;
    TLabel* FBatchCloseX = nullptr;
    QComboBox* FBatchScriptCombo = nullptr;
    QWidget* FBatchSeparator = nullptr;
    QWidget* FBatchOverlay = nullptr;
    TRoundedPanel* FBatchOverlayPanel = nullptr;
    TLabel* FBatchLabel = nullptr;
    TButton* FBatchCancelBtn = nullptr;

protected:
    // Dialog hooks the tests replace.
    virtual QStringList AskBatchFiles();
    virtual QString AskBatchScriptFile();

private:
    void CreateBatchOverlayControls();
    void LoadBatchEmbeddedScripts();
    bool UsesScript() const { return FBatchScriptMode && !FBatchScript.empty(); }
    // Loads the current file and starts its run; false when it cannot be read.
    void StartCurrentFile();
    void RunScriptForBatch();
    void BatchSaveCurrentImage();
    void BatchFinished();
    void CenterInClient(QWidget* w);
    QString CurrentInputName() const;

    TForm1& form_;
    // What the current file's step knows about its run.
    bool FFileLoaded = false;
    bool FFirstFileUnreadable = false;
    // The script editor, a window above the main one, steps aside while the
    // batch panels are on screen and comes back when they go.
    bool FEditorHiddenForBatch = false;
    void HideScriptEditorForBatch();
    void ShowScriptEditorAfterBatch();
    ISkImage FLoadedPicture; // the picture as loaded, to tell an effect that produced nothing
    QString FRunError;       // the script run's message; empty when it succeeded
    bool FRunCancelled = false;
};

} // namespace pv

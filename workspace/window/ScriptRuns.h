#pragma once
// Script runs on the main window's pictures: the host the engine talks to,
// and one run on a worker thread with its hand-back on the UI thread. The
// script editor's run and the batch's run share it; they differ in whether
// progress is forwarded and in what the hand-back does with the result.

#include "scripts/ScriptHost.h"
#include "scripts/Scripts.h"

#include <functional>
#include <vector>

namespace pv {

class TForm1;
class TFormScriptEditor;

// The main window as a script run sees it: the engine's default calls, and
// the canvas fitted to every picture the run shows.
class TMainWindowScriptHost final : public TEngineScriptHost {
protected:
    void FitCanvas() override;
};

// What a finished run hands back; the pictures are null when the run failed
// or was cancelled, and Error then holds the engine's message.
struct TScriptRunResult {
    ISkImage ResultImage;
    ISkImage ResultSourceImage;
    QString Error;
};

// Starts a worker that runs Commands on the window's current pictures with
// Context. Progress (may be empty) is called on the UI thread before every
// command. HandBack runs on the UI thread once the run ends, however it ends
// (an exception of the engine or of the worker included), after
// FScriptRunning was cleared; a deferred close of the window is honoured
// after it. The caller has set FScriptRunning and cleared Cancel. Raises
// when no thread can be started (FScriptRunning is then cleared again).
void StartScriptWorker(TForm1& form, std::vector<TScriptCommand> Commands, TScriptContext Context,
                       std::function<void(int, int, const QString&)> Progress,
                       std::function<void(TScriptRunResult&)> HandBack);

// Makes the editor the window's script editor and connects it: run requests,
// the values behind its insert buttons, cancelling and canvas centring.
void AttachScriptEditor(TForm1& form, TFormScriptEditor* editor);

} // namespace pv

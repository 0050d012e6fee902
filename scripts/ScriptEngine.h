#pragma once
// The script interpreter: runs parsed commands in order on a working picture,
// with named slots for pictures to blend later and a text state set by FONT.
// Before each command it reports progress and asks whether to stop. The
// first failing command ends the run with one message "Line %d: ..."; every
// error, out of memory included, ends as such a message, so a run always
// hands back. The erase-background switch is back at its value from before
// the run however the run ends.

#include "scripts/ScriptHost.h"
#include "scripts/Scripts.h"

#include "platform/graphics/SkFont.h"

#include <functional>
#include <map>
#include <span>

namespace pv {

struct TScriptTextState {
    QString FontName = QStringLiteral("Arial");
    float FontSize = 24;
    SkFontStyle FontStyle = SkFontStyle::Normal();
    TAlphaColor Color = kColorWhite;
    bool Shadow = false;
};

using TScriptProgressProc = std::function<void(int Step, int Total, const QString& StepName)>;
using TScriptCancelFunc = std::function<bool()>;

// The progress label of a command.
QString ScriptStepName(const TScriptCommand& command);

// RESIZE's new size for a picture: a percentage of its side (at least 1) or
// pixels, rounded to the nearest integer with ties to even.
SkISize ScriptResizeTarget(int width, int height, const TScriptCommand& command);

class TScriptEngine {
public:
    // The host is the main window as the run sees it; null means the engine
    // host's default (TEngineScriptHost). It must outlive the engine.
    explicit TScriptEngine(TScriptHost* host = nullptr);
    ~TScriptEngine();
    TScriptEngine(const TScriptEngine&) = delete;
    TScriptEngine& operator=(const TScriptEngine&) = delete;

    TScriptProgressProc OnProgress;
    TScriptCancelFunc OnCancel;

    // Runs the script; returns the final working picture, or null with the
    // message in AError when the run did not end normally.
    ISkImage Run(std::span<const TScriptCommand> AScript, const ISkImage& ASourceImage, const ISkImage& AWorkingImage,
                 const TScriptContext& AContext, QString& AError);
    // The picture in slot "src" after a run that ended normally.
    const ISkImage& ResultSourceImage() const { return FResultSourceImage; }

    // Raises the silent abort when OnCancel says the run is to stop.
    void CheckCancel();

private:
    void Execute(const TScriptCommand& c);
    void DoEffect(const TScriptCommand& c);
    void DoSave(const TScriptCommand& c);
    void DoLoad(const TScriptCommand& c);
    void DoSwap(const TScriptCommand& c);
    void DoReset(const TScriptCommand& c);
    void DoBlend(const TScriptCommand& c);
    void DoTexture(const TScriptCommand& c);
    void DoFrame(const TScriptCommand& c);
    void DoText(const TScriptCommand& c);
    void DoWatermark(const TScriptCommand& c);
    void DoFont(const TScriptCommand& c);
    void DoResize(const TScriptCommand& c);
    void DoClear(const TScriptCommand& c);
    void DoContour(const TScriptCommand& c);
    void DoLutFile(const TScriptCommand& c);
    void DoLutEmbedded(const TScriptCommand& c);
    void DoEnhance(const TScriptCommand& c);
    ISkImage Slot(const QString& name) const;

    TScriptHost* FHost;
    std::unique_ptr<TScriptHost> FOwnHost;
    ISkImage FWorking;
    std::map<QString, ISkImage> FSlots;
    TScriptTextState FTextState;
    TScriptContext FContext;
    ISkImage FResultSourceImage;
    bool FSkipCanvasSyncOnce = false;
};

} // namespace pv

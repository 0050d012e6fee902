#include "workspace/window/MainWindow.h"

#include "engine/EffectWorker.h"
#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "engine/Workers.h"
#include "platform/system/Threads.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ProgressBar.h"
#include "shell/Marquee.h"
#include "shell/Settings.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"
#include "workspace/window/BatchProcessing.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/canvas/CropTool.h"
#include "workspace/text-and-print/TextTool.h"
#include "workspace/gallery/GalleryItems.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/window/MainWindowFiles.h"
#include "workspace/preview/PreviewImage.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>
#include <QWindow>

#include <vector>

namespace pv {
namespace {
TForm1* gForm1 = nullptr;
}

TForm1* Form1() { return gForm1; }

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    History = std::make_unique<TImageHistory>();
    FHistory = History.get();
    // Every recorded step (an effect, a script, a tool) leaves an unsaved
    // result and its thumbnails in the gallery; opening and saving clear the
    // flag again afterwards.
    History->SetOnImageSaved([this](const ISkImage& display, const ISkImage& source, bool sourceChange) {
        if (IsUIThread()) {
            HistoryImageSaved(display, source, sourceChange, SavedSnapshotData());
            return;
        }
        RunOnUIQueued([this, display, source, sourceChange, stored = SavedSnapshotData()] {
            HistoryImageSaved(display, source, sourceChange, stored);
        },
                      this);
    });
    FCommandLine = QCoreApplication::arguments();
    // The interface size was decided before the window is built.
    FUIZoom = UiZoom();
    FFiles = std::make_unique<TMainWindowFiles>(*this);
    UpdatePreviewTimer.setInterval(500);
    connect(&UpdatePreviewTimer, &QTimer::timeout, this, &TForm1::UpdatePreviewTimerTimer);
    PreviewDebounceTimer.setInterval(1000);
    connect(&PreviewDebounceTimer, &QTimer::timeout, this, &TForm1::PreviewDebounceTimerTimer);
    InitializationTimer.setInterval(10);
    InitializationTimer.setSingleShot(true);
    connect(&InitializationTimer, &QTimer::timeout, this, &TForm1::InitializationTimerTimer);
    gForm1 = this;
    SetEngineHost(this);

    CreateDesign();
    CreateWindowChrome();
    CreateGallery();
    CreateThemeSwitch();
    LayoutWindowButtons();
    SkPaintBox1->OnDragEnter = [this](QDragEnterEvent* event) { CanvasDragEnter(event); };
    SkPaintBox1->OnDrop = [this](QDropEvent* event) { CanvasDrop(event); };
    ConnectTopBar();
    InstallImageTools();
    InstallManualBrush();
    InstallTextAndPrint();
    CreateToolbar();
    CreateMainMenu();
    CreateCoffeePrompt();
    InstallShortcuts();
    // The table is still empty: captions stay empty and the sliders disabled
    // until the deferred start-up fills it.
    SelectedEffectNumber = 300;
    UpdateListboxes(ListBoxes[2], 0);
    UpdatePreviewTimer.stop();
    // The window is designed dark: only the light theme has anything to change.
    LoadThemeSetting();
    if (IsLightTheme())
        SetLightMode(true);
    else
        ApplyStyle();
}

TForm1::~TForm1()
{
    // The application's focus signals reach the window until here; the base
    // classes' teardown moves the focus once more, into a half-destroyed form.
    disconnect(qApp, nullptr, this, nullptr);
    FormDestroy();
    if (gForm1 == this)
        gForm1 = nullptr;
}

bool TForm1::IsEffectRunning() const { return FCurrentEffectNumber.load() != -1; }

bool TForm1::IsBackgroundWorkRunning() const
{
    return IsEffectRunning() || FScriptRunning.load() || FBackgroundWorkers > 0;
}

void TForm1::HonorDeferredClose()
{
    if (FCloseRequested.load() && !IsBackgroundWorkRunning()) {
        FCloseRequested = false;
        Close();
    }
}

void TForm1::EndBackgroundWorker()
{
    if (FBackgroundWorkers > 0)
        --FBackgroundWorkers;
    HonorDeferredClose();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // An unsaved result is only dropped when the user says so, once: the
    // question is about the work as it stood when the close was asked for.
    if (!FCloseConfirmed && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    Cancel = true;
    if (IsBackgroundWorkRunning()) {
        FCloseConfirmed = true;
        FCloseRequested = true;
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::Close() { close(); }

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    InitializationTimer.start();
    if (FSplash)
        FSplash->hide();
    // Later shows (a restore after minimising) keep the work on screen.
    if (FFirstShowDone)
        return;
    FFirstShowDone = true;
    // The window starts with nothing of its own focused: the window keeps
    // the focus, so activating it does not hand the focus to its first
    // control, and the first Tab starts at the menu button.
    if (!focusWidget())
        setFocus(Qt::OtherFocusReason);
    MaximizeAtFirstShow();
    const QStringList& args = FCommandLine;
    if (args.size() > 1 && !args[1].startsWith(QStringLiteral("-psn")) && QFileInfo(args[1]).isFile())
        OpenCommandLineFileOnScreen(args[1], kOnScreenWaitSteps);
}

void TForm1::OpenCommandLineFileOnScreen(const QString& FileName, int StepsLeft)
{
    // The window is shown but not yet on screen: a file that cannot be read
    // is reported over the window, not over an empty screen before it.
    const QWindow* window = windowHandle();
    if (StepsLeft > 0 && (!window || !window->isExposed())) {
        QTimer::singleShot(kOnScreenWaitStepMs, this,
                           [this, FileName, StepsLeft] { OpenCommandLineFileOnScreen(FileName, StepsLeft - 1); });
        return;
    }
    // Queued once more: the exposed window paints before the file is read.
    QMetaObject::invokeMethod(
        this, [this, FileName] { LoadLargeImage(*FFiles, FileName); }, Qt::QueuedConnection);
}

void TForm1::InitializationTimerTimer()
{
    InitializationTimer.stop();
    if (FStartupDone)
        return;
    FStartupDone = true;
    SettleWindowAtStartup();
    InitializeParameters();
    UpdateListboxes(ListBoxes[2], 0);
    GlobalBrushCount = 40;
    Expanders[2]->setExpanded(true);
    RepositionPictos();
    // The stored language, else the system's; the detected one is not stored.
    const QString language = GetSetting(QStringLiteral("language"));
    if (!language.isEmpty())
        SwitchLanguage(language);
    else
        DetectAndSetSystemLanguage();
    if (SelectedEffectNumber >= 300 && SelectedEffectNumber < 400)
        UpdateEffectAccent(ListBoxes[2], SelectedEffectNumber - 300);
    else if (SelectedEffectNumber >= 500 && SelectedEffectNumber < 600)
        UpdateEffectAccent(ListBoxes[4], SelectedEffectNumber - 500);
    SetupUILabelMarquee();
    SetupExpanderMarquee();
    FitTranslatedButtons();
    WireLabelHover(this);
    MaybeCheck4UpdateAtStartup();
}

void TForm1::FormDestroy()
{
    Cancel = true;
    if (FBatch)
        FBatch->Stop();
    // Workers may be waiting for a synchronous call to this thread, so the
    // wait keeps serving them; after five seconds teardown goes on anyway.
    const bool lateWorkers = !WaitForWorkers(
        5000, [this] { return IsBackgroundWorkRunning(); },
        [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    FDestroying = true;
    UpdatePreviewTimer.stop();
    PreviewDebounceTimer.stop();
    InitializationTimer.stop();
    if (SkPaintBox1)
        SkPaintBox1->StopTimers();
    StopAllEffects();
    Cancel = true;
    // Effects still running get a moment to reach their next check.
    if (lateWorkers)
        QThread::msleep(250);
    // Late workers find the window gone and do nothing.
    SetEngineHost(nullptr);
    FHistory = nullptr;
    // A worker still running after the wait may yet record into the history:
    // it is left to the end of the process rather than freed under it.
    if (lateWorkers) {
        History->SetOnImageSaved({}); // nothing left to mark
        // Kept reachable from a static list, so the memory checker sees it held
        // on purpose rather than lost.
        static auto* const abandoned = new std::vector<TImageHistory*>;
        abandoned->push_back(History.release());
    }
    else
        History.reset();
    FSkImage.reset();
    FSkSourceImage.reset();
}

TImageFilesView& TForm1::FilesView() { return *FFiles; }

void TForm1::SpeedButton1Click()
{
    if (!IsEffectRunning())
        LoadImageFile(*FFiles);
}

void TForm1::SpeedButton2Click() { SaveImageFile(*FFiles); }

void TForm1::CanvasDragEnter(QDragEnterEvent* event)
{
    if (GalleryDragEnter(event))
        return;
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (DragOverAccepts(files, false))
        event->acceptProposedAction();
}

void TForm1::CanvasDrop(QDropEvent* event)
{
    if (GalleryDrop(event))
        return;
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    DropFiles(*FFiles, files);
    event->acceptProposedAction();
}

// ------------------------------------------------------------------ engine host

void TForm1::UpdateProgressBar(int percent)
{
    if (!IsUIThread()) {
        RunOnUIQueued([this, percent] { UpdateProgressBar(percent); }, this);
        return;
    }
    if (FScriptRunning.load())
        return;
    if (percent < 0 || percent > 100) {
        ProgressBarRect->hideProgress();
        ProgressBarTag = -1;
        MarkEngineIdle();
        Q_EMIT progressChanged(percent);
        return;
    }
    if (percent == ProgressBarTag)
        return;
    ProgressBarTag = percent;
    ProgressBarRect->showProgress(percent);
    Q_EMIT progressChanged(percent);
}

QString TForm1::GetEffectName(int effectNumber) const
{
    // "Cartoon" is the effect's name in every language.
    const QString name = EffectListName(effectNumber);
    return effectNumber == 501 ? name : TranslateText(name);
}

TAlphaColor TForm1::ThemeMapColor(TAlphaColor color) const { return pv::ThemeMapColor(color); }

void TForm1::RedrawCanvas()
{
    if (FDestroying)
        return;
    if (SkPaintBox1)
        SkPaintBox1->Redraw();
    Q_EMIT canvasChanged();
}

void TForm1::CalculateBestFitAndCenter()
{
    if (!FDestroying && SkPaintBox1)
        SkPaintBox1->CalculateBestFitAndCenter();
}

void TForm1::StopPreviewTimer() { UpdatePreviewTimer.stop(); }

void TForm1::ShowMessage(const QString& text)
{
    QMessageBox::information(this, windowTitle(), text);
}

} // namespace pv

#include "workspace/Unit1.h"

#include "engine/EffectWorker.h"
#include "engine/ImageHistory.h"
#include "platform/system/Threads.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>

namespace pv {
namespace {
TForm1* gForm1 = nullptr;
}

TForm1* Form1() { return gForm1; }

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    History = std::make_unique<TImageHistory>();
    FHistory = History.get();
    UpdatePreviewTimer.setInterval(500);
    gForm1 = this;
    SetEngineHost(this);
}

TForm1::~TForm1()
{
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
    Cancel = true;
    if (IsBackgroundWorkRunning()) {
        FCloseRequested = true;
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::Close() { close(); }

void TForm1::FormDestroy()
{
    Cancel = true;
    // Workers may be waiting for a synchronous call to this thread, so the
    // wait keeps serving them; after five seconds teardown goes on anyway.
    QElapsedTimer waited;
    waited.start();
    while ((IsBackgroundWorkRunning() || RunningEffectWorkers() > 0) && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    FDestroying = true;
    UpdatePreviewTimer.stop();
    StopAllEffects();
    Cancel = true;
    // Late workers find the window gone and do nothing.
    SetEngineHost(nullptr);
    FHistory = nullptr;
    History.reset();
    FSkImage.reset();
    FSkSourceImage.reset();
}

void TForm1::UpdateProgressBar(int percent)
{
    if (!IsUIThread()) {
        RunOnUIQueued([this, percent] { UpdateProgressBar(percent); }, this);
        return;
    }
    if (FScriptRunning.load())
        return;
    if (percent < 0 || percent > 100) {
        ProgressBarTag = -1;
        MarkEngineIdle();
        Q_EMIT progressChanged(percent);
        return;
    }
    if (percent == ProgressBarTag)
        return;
    ProgressBarTag = percent;
    Q_EMIT progressChanged(percent);
}

void TForm1::ShowPreviewBox(const ISkImage& snapshot, int percent)
{
    FPreviewBoxPicture = snapshot;
    ProgressPercent = percent;
    Q_EMIT previewBoxChanged();
}

QSize TForm1::PreviewBoxSize() const { return FPreviewBoxSize; }

void TForm1::SetPreviewBoxPicture(const ISkImage& picture)
{
    FPreviewBoxPicture = picture;
    Q_EMIT previewBoxChanged();
}

void TForm1::RedrawCanvas()
{
    if (!FDestroying)
        Q_EMIT canvasChanged();
}

void TForm1::StopPreviewTimer() { UpdatePreviewTimer.stop(); }

void TForm1::ShowMessage(const QString& text)
{
    QMessageBox::information(this, windowTitle(), text);
}

} // namespace pv

#pragma once
// The main window: the hub of the workspace. Its fields hold the two pictures
// every tool works on, the image history, the parameter table, the state of
// the running work and the choices later runs reuse; it is also what the
// effect engine reads and writes while effects run.

#include "engine/EngineHost.h"

#include <QMainWindow>
#include <QPointF>
#include <QTimer>

#include <array>
#include <memory>

namespace pv {

class TImageHistory;

class TForm1 : public QMainWindow, public TEngineHost {
    Q_OBJECT
public:
    // One effect's five parameter slots: values and slider captions (an empty
    // caption leaves the slider disabled).
    struct TParameters {
        int Value1 = 0, Value2 = 0, Value3 = 0, Value4 = 0, Value5 = 0;
        QString Name1, Name2, Name3, Name4, Name5;
    };

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- background work
    bool IsEffectRunning() const;
    bool IsBackgroundWorkRunning() const;
    void HonorDeferredClose();
    void EndBackgroundWorker();

    // ---- engine host
    void UpdateProgressBar(int percent) override;
    void ShowPreviewBox(const ISkImage& snapshot, int percent) override;
    QSize PreviewBoxSize() const override;
    void SetPreviewBoxPicture(const ISkImage& picture) override;
    void RedrawCanvas() override;
    void StopPreviewTimer() override;
    void ShowMessage(const QString& text) override;
    bool IsDestroying() const override { return FDestroying; }
    void Close() override;
    QObject* QueuedCallContext() override { return this; }

    // ---- pictures and history
    std::unique_ptr<TImageHistory> History;
    bool FImageDirty = false;

    // ---- effect selection and parameters
    int SelectedEffectNumber = 300;
    std::array<std::array<TParameters, 20>, 10> Params{};

    // ---- running work
    int FBackgroundWorkers = 0;

    // ---- effect options
    bool CustomBrushesOn302 = false, CustomBrushesOn303 = false, CustomBrushesOn304 = false;
    QImage CustomBrushBitmap302, CustomBrushBitmap303, CustomBrushBitmap304;
    int CustomBrushCount304 = 0;
    std::atomic<int> GlobalBrushCount{0};

    // ---- lookup-table source of the LUT effect
    QString FLUTFilePath;
    QByteArray FLUTData;
    QString FLUTName;

    // ---- views
    float FZoomFactor = 1.0f;
    QPointF FPanOffset;

    // ---- overlay choices kept between uses
    QString StoredFrameName;
    int StoredFrameNumber = -1;
    float StoredFrameSize = 20.0f;
    TAlphaColor StoredFrameColor = 0xFFFFFFFFu;
    bool StoredFrameIsCustom = false;
    bool StoredSettingsValid = false;
    QString StoredTextureName;
    int StoredTextureNumber = -1;
    bool StoredTextureIsCustom = false;
    bool StoredTextureSettingsValid = false;
    float FManualBrushSize = 100.0f, FManualBrushSoftness = 50.0f, FManualBrushOpacity = 100.0f;
    QPointF FManualBrushPanelPos;
    bool FReopenManualBrushAfterLUT = false, FReopenScriptEditorAfterLUT = false;

    // ---- the progress bar's state: the last percentage shown, -1 when hidden
    int ProgressBarTag = -1;

    // The 500 ms live-preview timer.
    QTimer UpdatePreviewTimer;

Q_SIGNALS:
    void progressChanged(int percent);
    void previewBoxChanged();
    void canvasChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Waits for workers while serving their calls, then tears down.
    void FormDestroy();

    bool FDestroying = false;
    QSize FPreviewBoxSize{400, 300};
    ISkImage FPreviewBoxPicture;
};

// The process-wide main window, or null.
TForm1* Form1();

} // namespace pv

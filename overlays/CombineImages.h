#pragma once
// The combine panel: a second picture blended over the current result with
// an amount and one of four modes, shown live in a preview the user pans
// (left drag) and zooms (wheel); the right button, and any drag, shows the
// base alone. Apply hands the blend at full size to the window.

#include "overlays/CombineBlend.h"
#include "overlays/OverlayPanel.h"

#include <QTimer>

#include <functional>

namespace pv {

class TButton;
class TComboBox;
class TLabel;
class TSlider;

// The panel's preview box.
class TCombinePreview : public QWidget {
    Q_OBJECT
public:
    explicit TCombinePreview(QWidget* parent);
    std::function<void(QPainter&)> OnDraw;

Q_SIGNALS:
    void pressed(QMouseEvent* e);
    void moved(QMouseEvent* e);
    void released(QMouseEvent* e);
    void wheelTurned(QWheelEvent* e);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override { Q_EMIT pressed(e); }
    void mouseMoveEvent(QMouseEvent* e) override { Q_EMIT moved(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { Q_EMIT released(e); }
    void wheelEvent(QWheelEvent* e) override;
};

class TFrame4 : public TOverlayPanel {
    Q_OBJECT
public:
    // The preview follows the slider at most this often.
    static constexpr int kAmountDelayMs = 250;

    explicit TFrame4(QWidget* parent = nullptr);

    // Both pictures; amount 50 %, "Normal", zoom 1 with the base centred.
    void SetImages(const ISkImage& ABaseImage, const ISkImage& ABlendImage);
    // The blend at full size (the base's); null without both pictures.
    ISkImage RenderCombined() const;

    bool DialogKey(int key, Qt::KeyboardModifiers modifiers) override;
    void CancelClick() override { Button2Click(); }
    void Button1Click(); // Apply
    void Button2Click(); // Cancel

    // Apply, with the blend; Cancel; Apply when the blend does not fit in memory.
    std::function<void(const ISkImage&)> OnApply;
    std::function<void()> OnCancel;
    std::function<void()> OnOutOfMemory;

    float BlendAmount() const { return FBlendAmount; }
    TCombineMode BlendMode() const { return FMode; }
    const TPreviewView& View() const { return FView; }
    bool ShowingSource() const { return FShowingSource; }

    TCombinePreview* SkPaintBox1 = nullptr;
    TSlider* TrackBar1 = nullptr;
    TLabel* Label4 = nullptr; // the amount, "50%"
    TComboBox* ComboBox1 = nullptr;
    TButton* Button1 = nullptr; // "Apply"
    TButton* Button2 = nullptr; // "Cancel"
    QTimer Timer1;

private:
    void UpdateAmountLabel();
    void DrawPreview(QPainter& painter);

    ISkImage FBaseImage, FBlendImage;
    float FBlendAmount = 0.5f;
    TCombineMode FMode = TCombineMode::Normal;
    TPreviewView FView;
    bool FIsPanning = false;
    QPointF FLastMousePos;
    bool FShowingSource = false;
    QImage FPreviewRaster;
};

} // namespace pv

#pragma once
// The frame panel: a gallery of decorative frames (the built-in ones and the
// user's), a margin width and colour, and a scaled preview of picture,
// margin and frame together. "Apply frame" hands the chosen frame, margin and
// colour to the window, which composes the framed pictures; a second button
// paints a brush-stroke border instead. Every way out keeps the panel's
// choice for the next opening.

#include "overlays/OverlayPanel.h"
#include "platform/graphics/SkImage.h"
#include "platform/widgets/DesignColours.h"

#include <QImage>
#include <QRectF>
#include <QTimer>

#include <functional>
#include <vector>

namespace pv {

class TButton;
class TColourSwatch;
class TCombinePreview;
class TImageList;
class TLabel;
class TNumberBox;
class TThumbnailGrid;

// The frame panel's last choice, kept by the window between openings.
struct TStoredFrame {
    bool Valid = false;
    QString Name;
    int Number = -1;
    float Size = 20;
    TAlphaColor Colour = kDefaultFrameColour;
};

class TFrame3 : public TGalleryPanel {
    Q_OBJECT
public:
    static constexpr int kDefaultMargin = 150;
    static constexpr int kMaxMargin = 2500;
    static constexpr int kTypingDelayMs = 500;

    explicit TFrame3(QWidget* parent = nullptr);

    // The result picture the preview shows (grey placeholder without one).
    void SetPicture(const ISkImage& picture);
    // The choice to restore when the gallery is filled.
    void SetStored(const TStoredFrame& stored) { FStored = stored; }
    // Rebuilds the gallery from the list, then restores the stored choice
    // (else the first frame).
    void LoadFrames(TImageList& list);
    // Keyboard selection in the gallery (direction -1 or +1, by rows when vertical).
    void NavigateGallery(int ADirection, bool AVertical) override;

    std::vector<QWidget*> TabStops() override;
    void CancelClick() override { Button2Click(); }
    void PrimaryClick() override { Button1Click(); }

    void Button1Click();                  // "Apply frame"
    void Button2Click();                  // Cancel
    void BtnApplyBrushstrokeFrameClick(); // "Apply brushstrokes frame"
    void BtnLoadCustomClick();            // "Load custom frame"

    // The margin box read as the user typed it (its value when the text is no number).
    double GetMarginSize() const;
    TAlphaColor MarginColour() const;
    int SelectedIndex() const;
    const QImage& SelectedBitmap() const { return FSelectedBitmap; }
    const QRectF& ApertureRect() const { return FApertureRect; }
    // The index of the last borderless frame's cell, -1 when none.
    int BorderlessCell() const { return FBorderlessCell; }

    // The choice to keep (every way out stores it first).
    std::function<void(const TStoredFrame&)> OnStore;
    // "Apply frame": the frame at full size, the margin and its colour; the
    // panel has hidden itself and the window closes the layer when done.
    std::function<void(const QImage& frame, int margin, TAlphaColor colour)> OnFrameSelected;
    // "Apply brushstrokes frame": border colour and width.
    std::function<void(TAlphaColor colour, int width)> OnBrushstrokes;
    // The frame file to load, or empty; the list to append it to.
    std::function<QString()> AskFrameFile;
    TImageList* FrameList = nullptr;

    TColourSwatch* ComboColorBox1 = nullptr;
    TNumberBox* NumberBox1 = nullptr;
    TButton* BtnLoadCustom = nullptr;
    TButton* BtnApplyBrushstrokeFrame = nullptr;
    TButton* Button2 = nullptr; // Cancel
    TButton* Button1 = nullptr; // Apply frame
    TCombinePreview* pbPreviewFrame = nullptr;
    QTimer FPreviewTimer;

private:
    struct Entry {
        QString name;
        QImage bitmap;
    };
    void StoreFrameSettings();
    void RestoreFrameSettings();
    void SelectThumbnail(int index) override;
    void RefreshPreview();
    void DrawPreview(QPainter& painter);

    std::vector<Entry> FEntries;
    QImage FSelectedBitmap;
    ISkImage FSelectedFrame;
    QRectF FApertureRect{0, 0, 1, 1};
    int FBorderlessCell = -1;
    ISkImage FPicture;
    TStoredFrame FStored;
    QImage FPreviewCache;
};

} // namespace pv

#pragma once
// The texture panel: a gallery of paper, canvas and fabric textures (the
// built-in ones and the user's), a strength and a scale, and a preview of
// the texture on the picture that the user pans (left drag) and zooms (wheel;
// with Ctrl the scale follows). "Apply texture" hands the choice to the
// window; Apply and Cancel both keep it as the texture later effect runs lay
// over their results while the texture switch is on.

#include "overlays/OverlayPanel.h"
#include "overlays/TexturePreview.h"
#include "platform/graphics/SkImage.h"

#include <QImage>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace pv {

class TButton;
class TCombinePreview;
class TImageList;
class TNumberBox;
class TThumbnailGrid;

// The texture panel's last choice, kept by the window between openings.
struct TStoredTexture {
    bool Valid = false;
    QString Name;
    int Number = -1;
    float Strength = 50;
    float Scale = 1;
    QImage Bitmap;
};

class TFrameTextureSelector : public TGalleryPanel {
    Q_OBJECT
public:
    static constexpr int kTypingDelayMs = 500;

    explicit TFrameTextureSelector(QWidget* parent = nullptr);

    void SetPicture(const ISkImage& picture) { FPicture = picture; }
    void SetStored(const TStoredTexture& stored) { FStored = stored; }
    // Rebuilds the gallery, restores the stored choice and, with nothing
    // selected then, picks the second texture (the first when there is one).
    void LoadTextures(TImageList& list);
    void NavigateGallery(int ADirection, bool AVertical) override;

    std::vector<QWidget*> TabStops() override;
    void CancelClick() override { Button2Click(); }
    void PrimaryClick() override { Button1Click(); }

    void Button1Click(); // "Apply texture"
    void Button2Click(); // Cancel
    void BtnLoadCustomClick();

    // The boxes read as typed (their values when the text is no number).
    double GetStrength() const;
    double GetScale() const;
    int SelectedIndex() const;
    const QImage& SelectedBitmap() const { return FSelectedBitmap; }
    const TTexturePreviewView& View() const { return FView; }
    // Preview input: a wheel step (Ctrl also scales) and a pan by the pointer.
    void PreviewWheel(int delta, bool ctrl);
    void PreviewPan(QPointF from, QPointF to);
    // How many grey grids the preview has made (one per texture shown).
    int GreyGridsMade() const { return FGreyGridsMade; }

    std::function<void(const TStoredTexture&)> OnStore;
    std::function<void(const QImage& texture, int strength, float scale)> OnTextureSelected;
    std::function<QString()> AskTextureFile;
    TImageList* TextureList = nullptr;

    TNumberBox* NumberBoxScale = nullptr;
    TNumberBox* NumberBoxStrength = nullptr;
    TButton* BtnLoadCustom = nullptr;
    TButton* Button2 = nullptr; // Cancel
    TButton* Button1 = nullptr; // Apply texture
    TCombinePreview* pbPreviewTexture = nullptr;
    QTimer FPreviewTimer;

private:
    struct Entry {
        QString name;
        QImage bitmap;
        std::shared_ptr<const TTextureGrey> grey; // made when first shown
    };
    void StoreTextureSettings();
    void RestoreTextureSettings();
    void SelectThumbnail(int index) override;
    void DrawPreview(QPainter& painter);

    std::vector<Entry> FEntries;
    QImage FSelectedBitmap;
    std::shared_ptr<const TTextureGrey> FGrey;
    int FGreyGridsMade = 0;
    ISkImage FPicture;
    TStoredTexture FStored;
    TTexturePreviewView FView;
    bool FIsPanning = false;
    QPointF FLastMousePos;
};

} // namespace pv

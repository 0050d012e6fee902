#pragma once
// The resource repository: the program's built-in pictures (paper and film
// textures, brush sheets, brush masks, frames, the start picture, the list of
// selectable textures) and the working brush sheet of the stamped-brush
// effects. One instance serves the desktop program and headless runs alike.
//
// Built-in pictures are decoded on first use, so a run pays only for the
// pictures it reads; a picture that cannot be loaded stays empty on its own.

#include "platform/graphics/SkTypes.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <mutex>

namespace pv {

// One picture of the repository. Safe to read from any thread; the first
// reader decodes it.
class TRepositoryImage {
public:
    // Produces the picture when it is first read; null means empty.
    using Loader = std::function<ISkImage()>;

    TRepositoryImage() = default;
    TRepositoryImage(const TRepositoryImage&) = delete;
    TRepositoryImage& operator=(const TRepositoryImage&) = delete;

    // The picture as a bitmap in Format_ARGB32_Premultiplied; null when empty.
    QImage bitmap() const;
    // The same pixels as a shared picture; null when empty.
    ISkImage image() const;
    bool isEmpty() const { return image() == nullptr; }

    // Replaces the picture with a copy of `bitmap` (a null bitmap empties it).
    void setBitmap(const QImage& bitmap);
    void setImage(ISkImage picture);
    // The picture will come from `loader` when first read. A loader that fails
    // (raises an error or returns null) leaves the picture empty; running out
    // of memory reaches the reader and the next read tries again.
    void setLoader(Loader loader);

private:
    mutable std::mutex lock_;
    mutable Loader loader_;
    mutable ISkImage image_;
};

// A list of named pictures (frames, textures); the user's own files are
// appended at run time.
class TImageList {
public:
    int count() const;
    QString name(int index) const;
    // -1 when no item has this name.
    int indexOf(const QString& name) const;
    TRepositoryImage& operator[](int index);
    const TRepositoryImage& operator[](int index) const;
    // Appends an item and returns its (empty) picture.
    TRepositoryImage& add(const QString& name);
    // Decodes every picture not read yet, several at once.
    void decodeAll();

private:
    struct Item {
        QString name;
        TRepositoryImage picture;
    };
    mutable std::mutex lock_;
    std::deque<Item> items_; // a deque: pictures never move, references stay valid
};

class TForm3 {
public:
    // Names of the textures of TextureList, in list order.
    static const QStringList& TextureNames();
    // Largest width or height of a picture taken from the user's brush files.
    static constexpr int kMaxBrushSide = 8192;
    // Most brushes one import may place (the sheet then takes 64 MB).
    static constexpr int kMaxBrushCount = 256;

    // Takes the pictures stored with the repository and the embedded archive
    // "PELANDROVIUM_IMAGES"; nothing is decoded yet.
    TForm3();
    TForm3(const TForm3&) = delete;
    TForm3& operator=(const TForm3&) = delete;

    // Points the photographs and textures at the entries of the embedded
    // archive. Each entry loads on its own: a missing or undecodable entry
    // leaves only its own picture empty, a missing archive all of them.
    void LoadEmbeddedImages();
    // The same from an archive held in memory.
    void LoadEmbeddedImages(const QByteArray& archive, const QString& archiveName);

    // Draws the brushes of the given ".png" files and of the ".png" entries of
    // the given ".zip" files into a new working sheet (cells of 256 x 256,
    // eight per row) and returns how many it placed. Undecodable and oversized
    // pictures are skipped; with none left it returns 0 and keeps Brushes.
    // A zip that cannot be read, or more than kMaxBrushCount brushes, raise a
    // pv::Exception and keep Brushes.
    int LoadBrushesToRepository(const QStringList& FileNames);

    TRepositoryImage DefaultImage;         // the picture shown before any file is opened
    TRepositoryImage PencilTexture;        // pencil paper
    TRepositoryImage OldFilmTexture;       // film grain
    TRepositoryImage VCLwatercolortexture; // watercolour paper
    TRepositoryImage Brushes;              // working sheet; starts as DefaultBrushes
    TRepositoryImage DefaultBrushes;
    TRepositoryImage WatercolorBrushes;
    TRepositoryImage PastelBrushes;
    TRepositoryImage TemplateMatchingBrushes;
    TRepositoryImage PaintBrushSim;
    TRepositoryImage PaintBrushSim2;
    TRepositoryImage PaintBrushSim3;
    TRepositoryImage Frame;                // the chosen frame; starts as frame "2"
    TImageList FrameList;                  // "1".."9"
    TImageList TextureList;                // TextureNames()

private:
    void LoadFormImages();
};

// The process-wide repository, created on first use.
TForm3& Form3();

// Where a brush of width x height is drawn inside its 256 x 256 cell: scaled
// to fit, keeping its aspect, and centred (fractional coordinates).
SkRect BrushCellRect(int width, int height);

} // namespace pv

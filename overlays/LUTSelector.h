#pragma once
// The lookup-table panel: the program's built-in tables, those imported
// from zip archives this run and table files loaded from disk, with a live
// preview of the chosen table on a thumbnail of the source picture (the
// right mouse button held on it shows the thumbnail unprocessed). Select
// hands the choice back to the window for the LUT effect.

#include "overlays/OverlayPanel.h"
#include "platform/graphics/SkImage.h"

#include <QByteArray>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace pv {

class TButton;
class TCombinePreview;
class TItemList;
class TLabel;
struct TCubeLUT;

class TFrameLUTSelector : public TOverlayPanel {
    Q_OBJECT
public:
    static constexpr int kPreviewDelayMs = 300;

    explicit TFrameLUTSelector(QWidget* parent = nullptr);

    // The window's current table and its source picture; lists the tables
    // and highlights the current one (none when it is not in the list).
    void Initialize(const QString& ACurrentLUTName, const QByteArray& ACurrentLUTData,
                    const QString& ACurrentFilePath, const ISkImage& ASource);

    bool DialogKey(int key, Qt::KeyboardModifiers modifiers) override;
    std::vector<QWidget*> TabStops() override;
    void CancelClick() override { BtnCancelClick(); }
    void BtnApplyClick();
    void BtnCancelClick();
    void BtnLoadDiskClick();
    // Chooses a list entry as the user's click does.
    void SelectLUTItem(int index);
    // Runs the pending preview now (the timer's work).
    void OnPreviewTimer();

    const QString& SelectedName() const { return FSelectedLUTName; }
    const QByteArray& SelectedData() const { return FSelectedLUTData; }
    const QString& SelectedFilePath() const { return FSelectedFilePath; }
    const ISkImage& PreviewImage() const { return FPreviewImage; }
    const ISkImage& SourceThumb() const { return FSourceThumb; }
    bool ShowingSource() const { return FShowingSource; }
    // How many times a table was parsed (the cache holds the last one).
    int ParseCount() const { return FParseCount; }
    const QString& ParsedKey() const { return FParsedLUTKey; }

    // Select: name, bytes and path of the chosen table.
    std::function<void(const QString&, const QByteArray&, const QString&)> OnLUTApplied;
    std::function<void()> OnClose;
    // The files to load (.cube or .zip), or none.
    std::function<QStringList()> AskLUTFiles;
    // A message for the user (what a loaded archive held that was not kept).
    std::function<void(const QString&)> OnMessage;

    TItemList* LstLUTs = nullptr;
    TButton* BtnLoadDisk = nullptr;
    TCombinePreview* PbPreview = nullptr;
    TLabel* LblCurrentLUT = nullptr;
    TButton* BtnCancel = nullptr;
    TButton* BtnApply = nullptr;
    QTimer FPreviewTimer;

private:
    struct Entry {
        QString name;
        QString path;           // disk tables
        QByteArray bytes;       // imported tables
        bool imported = false;
    };
    void AddEntry(Entry entry);
    void ShowEntries();
    void RestartPreviewTimer();
    void DrawPreview(QPainter& painter);

    std::vector<Entry> FEntries;
    QString FSelectedLUTName;
    QByteArray FSelectedLUTData;
    QString FSelectedFilePath;
    ISkImage FSourceThumb;
    ISkImage FPreviewImage;
    int FPreviewGeneration = 0;
    bool FShowingSource = false;
    int FLastAppliedItem = -1;
    QString FParsedLUTKey;
    std::shared_ptr<const TCubeLUT> FParsedLUT;
    int FParseCount = 0;
};

} // namespace pv

#include "overlays/LUTSelector.h"

#include "effects/colour-and-shapes/lut/CubeLUT.h"
#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"
#include "engine/Effect.h"
#include "overlays/LUTPreview.h"
#include "overlays/CombineImages.h"
#include "platform/system/Files.h"
#include "platform/system/Threads.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>

#include <new>

namespace pv {

TFrameLUTSelector::TFrameLUTSelector(QWidget* parent) : TOverlayPanel(QSize(990, 690), QPoint(952, 12), parent)
{
    setObjectName(QStringLiteral("TFrameLUTSelector"));
    setShadow({3, 3, 3, kShadowDeep});
    // It may hold the focus, but Tab visits the controls inside it.
    setFocusPolicy(Qt::ClickFocus);

    auto* title = AddCaption("LblTitle", "Select LUT", {0, 14, 990, 28}, 18);
    title->setAlignment(Qt::AlignCenter);
    AddCaption("LblEmbedded", "Embedded LUTs:", {24, 52, 360, 22}, 13);
    AddCaption("LblPreview", "Preview:", {402, 52, 564, 22}, 13);

    auto* listBox = new TRoundedPanel(this);
    listBox->setObjectName(QStringLiteral("RectList"));
    listBox->setFillColour(kPanelField);
    listBox->setRadius(8);
    listBox->setGeometry(DpI(24), DpI(78), DpI(360), DpI(510));
    auto* scroll = new QScrollArea(listBox);
    scroll->setObjectName(QStringLiteral("ListScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // the list inside is the stop
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    // The list sits on the box colour (a transparent viewport would show stale pixels).
    scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: %1; }")
                              .arg(ToQColor(kPanelField).name()));
    scroll->setGeometry(DpI(4), DpI(4), DpI(352), DpI(502));
    LstLUTs = new TItemList();
    LstLUTs->setObjectName(QStringLiteral("LstLUTs"));
    LstLUTs->setItemHeight(30);
    LstLUTs->setFocusPolicy(Qt::StrongFocus);
    scroll->setWidget(LstLUTs);
    connect(LstLUTs, &TItemList::itemClicked, this, [this](int index) { SelectLUTItem(index); });

    BtnLoadDisk = AddButton("BtnLoadDisk", "Load from disk...", TButton::Look::Standard, {24, 602, 360, 40});

    auto* previewBox = new TRoundedPanel(this);
    previewBox->setObjectName(QStringLiteral("RectPreview"));
    previewBox->setFillColour(kPanelField);
    previewBox->setRadius(8);
    previewBox->setGeometry(DpI(402), DpI(78), DpI(564), DpI(510));
    PbPreview = new TCombinePreview(previewBox);
    PbPreview->setObjectName(QStringLiteral("PbPreview"));
    PbPreview->setCursor(Qt::ArrowCursor);
    PbPreview->setGeometry(DpI(6), DpI(6), DpI(552), DpI(498));
    PbPreview->OnDraw = [this](QPainter& p) { DrawPreview(p); };
    connect(PbPreview, &TCombinePreview::pressed, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::RightButton) {
            FShowingSource = true;
            PbPreview->update();
        }
    });
    connect(PbPreview, &TCombinePreview::released, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::RightButton) {
            FShowingSource = false;
            PbPreview->update();
        }
    });

    LblCurrentLUT = AddCaption("LblCurrentLUT", "", {402, 594, 564, 20}, 12);
    LblCurrentLUT->setAlignment(Qt::AlignCenter);
    LblCurrentLUT->setFontColour(kTextInfo);
    BtnCancel = AddButton("BtnCancel", "Cancel", TButton::Look::Ghost, {672, 626, 140, 40});
    BtnApply = AddButton("BtnApply", "Select", TButton::Look::Primary, {826, 626, 140, 40});

    FPreviewTimer.setInterval(kPreviewDelayMs);
    FPreviewTimer.setSingleShot(true);
    connect(&FPreviewTimer, &QTimer::timeout, this, &TFrameLUTSelector::OnPreviewTimer);
    connect(BtnLoadDisk, &TButton::clicked, this, &TFrameLUTSelector::BtnLoadDiskClick);
    connect(BtnCancel, &TButton::clicked, this, &TFrameLUTSelector::BtnCancelClick);
    connect(BtnApply, &TButton::clicked, this, &TFrameLUTSelector::BtnApplyClick);
}

void TFrameLUTSelector::AddEntry(Entry entry) { FEntries.push_back(std::move(entry)); }

void TFrameLUTSelector::ShowEntries()
{
    QStringList names;
    for (const Entry& e : FEntries)
        names << e.name;
    // Table names are the user's files: shown as they are, never translated.
    LstLUTs->setItems(names);
}

void TFrameLUTSelector::Initialize(const QString& ACurrentLUTName, const QByteArray& ACurrentLUTData,
                                   const QString& ACurrentFilePath, const ISkImage& ASource)
{
    FLastAppliedItem = -1;
    try {
        FSourceThumb = LUTPreviewThumb(ASource);
    } catch (const std::bad_alloc&) {
        FSourceThumb.reset();
    }
    FEntries.clear();
    for (const QString& name : EmbeddedLUTNames())
        AddEntry({name, {}, {}, false});
    for (const TImportedLUT& t : ImportedLUTs())
        AddEntry({t.Name, {}, t.Data, true});
    ShowEntries();

    FSelectedLUTName = ACurrentLUTName;
    FSelectedLUTData = ACurrentLUTData;
    FSelectedFilePath = ACurrentFilePath;
    if (FSelectedLUTData.isEmpty() && !FSelectedFilePath.isEmpty() && QFileInfo(FSelectedFilePath).isFile())
        FSelectedLUTData = LoadLUTFileBytes(FSelectedFilePath);

    int selected = -1;
    if (!FSelectedLUTName.isEmpty()) {
        for (size_t i = 0; i < FEntries.size(); ++i)
            if (FEntries[i].name == FSelectedLUTName) {
                selected = int(i);
                break;
            }
    } else if (!FEntries.empty()) {
        // No table chosen yet: the first one.
        selected = 0;
    }
    // A current table that is not in the list (a file of an earlier panel)
    // highlights nothing, so that every entry can still be picked.
    LstLUTs->setItemIndex(selected);
    // Once the panel is shown (the list has its size only then).
    QMetaObject::invokeMethod(
        LstLUTs, [list = LstLUTs, selected] { list->scrollToShow(selected); }, Qt::QueuedConnection);
    if (FSelectedLUTData.isEmpty() && selected >= 0) {
        FSelectedLUTName = FEntries[size_t(selected)].name;
        FSelectedLUTData = FindEmbeddedLUT(FSelectedLUTName) ? FindEmbeddedLUT(FSelectedLUTName)->Data : QByteArray();
    }
    LblCurrentLUT->setText(FSelectedLUTName);
    FLastAppliedItem = selected;
    RestartPreviewTimer();
}

void TFrameLUTSelector::SelectLUTItem(int index)
{
    if (index < 0 || index >= int(FEntries.size()) || index == FLastAppliedItem)
        return;
    FLastAppliedItem = index;
    LstLUTs->setItemIndex(index);
    LstLUTs->scrollToShow(index);
    const Entry& e = FEntries[size_t(index)];
    FSelectedLUTName = e.name;
    if (e.imported) {
        FSelectedFilePath.clear();
        FSelectedLUTData = e.bytes;
    } else if (!e.path.isEmpty()) {
        FSelectedFilePath = e.path;
        FSelectedLUTData = LoadLUTFileBytes(e.path);
    } else {
        FSelectedFilePath.clear();
        const auto lut = FindEmbeddedLUT(e.name);
        FSelectedLUTData = lut ? lut->Data : QByteArray();
    }
    LblCurrentLUT->setText(FSelectedLUTName);
    RestartPreviewTimer();
}

void TFrameLUTSelector::BtnLoadDiskClick()
{
    const QStringList files = AskLUTFiles ? AskLUTFiles() : QStringList();
    int last = -1;
    QStringList refused;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile())
            continue;
        if (LowerExtension(file) != QStringLiteral(".zip")) {
            AddEntry({QFileInfo(file).completeBaseName(), QFileInfo(file).absoluteFilePath(), {}, false});
            last = int(FEntries.size()) - 1;
            continue;
        }
        for (const TImportedLUT& t : ImportLUTZip(file, &refused)) {
            AddEntry({t.Name, {}, t.Data, true});
            last = int(FEntries.size()) - 1;
        }
    }
    if (!refused.isEmpty() && OnMessage)
        OnMessage(QStringLiteral("Not loaded (not a lookup table, or larger than %1 MB): ").arg(kMaxLUTFileBytes >> 20) +
                  refused.join(QStringLiteral(", ")));
    if (last < 0)
        return;
    ShowEntries();
    LstLUTs->setItemIndex(FLastAppliedItem);
    SelectLUTItem(last);
}

void TFrameLUTSelector::RestartPreviewTimer()
{
    FPreviewTimer.stop();
    FPreviewTimer.start();
}

void TFrameLUTSelector::OnPreviewTimer()
{
    FPreviewTimer.stop();
    if (!FSourceThumb || FSelectedLUTData.isEmpty()) {
        FPreviewImage.reset();
        PbPreview->update();
        return;
    }
    const QString key = LUTPreviewKey(FSelectedLUTData, FSelectedFilePath);
    if (key != FParsedLUTKey || !FParsedLUT) {
        FParsedLUT = std::make_shared<const TCubeLUT>(LoadCubeFromBytes(FSelectedLUTData));
        FParsedLUTKey = key;
        ++FParseCount;
    }
    if (!FParsedLUT->valid()) {
        FPreviewImage.reset();
        PbPreview->update();
        return;
    }
    const int generation = ++FPreviewGeneration;
    QPointer<TFrameLUTSelector> self(this);
    const ISkImage thumb = FSourceThumb;
    const std::shared_ptr<const TCubeLUT> lut = FParsedLUT;
    SharedPool().enqueue([self, thumb, lut, generation] {
        ISkImage mapped;
        try {
            mapped = MapLUTToImage(thumb, *lut, 1.0f);
        } catch (...) {
            mapped.reset();
        }
        // Dropped when the panel has closed or a newer preview was asked for.
        RunOnUIQueued([self, mapped, generation] {
            if (!self || generation != self->FPreviewGeneration)
                return;
            self->FPreviewImage = mapped;
            self->PbPreview->update();
        });
    });
}

void TFrameLUTSelector::DrawPreview(QPainter& painter)
{
    const ISkImage& picture = FShowingSource ? FSourceThumb : FPreviewImage;
    const QRectF box(PbPreview->rect());
    if (!picture || picture->width() <= 0 || picture->height() <= 0) {
        painter.fillRect(box, QColor(0x26, 0x30, 0x45));
        return;
    }
    const double s = std::min(box.width() / picture->width(), box.height() / picture->height());
    const QSizeF size(picture->width() * s, picture->height() * s);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), size),
                      picture->qimage());
}

void TFrameLUTSelector::BtnApplyClick()
{
    if (OnLUTApplied)
        OnLUTApplied(FSelectedLUTName, FSelectedLUTData, FSelectedFilePath);
    if (OnClose)
        OnClose();
}

void TFrameLUTSelector::BtnCancelClick()
{
    if (OnClose)
        OnClose();
}

std::vector<QWidget*> TFrameLUTSelector::TabStops() { return {LstLUTs, BtnLoadDisk, BtnCancel, BtnApply}; }

bool TFrameLUTSelector::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        BtnApplyClick();
        return true;
    }
    // Up and Down walk the list.
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && !FEntries.empty()) {
        const int from = LstLUTs->itemIndex();
        const int to = std::clamp(from < 0 ? 0 : from + (key == Qt::Key_Down ? 1 : -1), 0, int(FEntries.size()) - 1);
        SelectLUTItem(to);
        LstLUTs->setItemIndex(to);
        return true;
    }
    return TOverlayPanel::DialogKey(key, modifiers);
}

} // namespace pv

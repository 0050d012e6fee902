#include "workspace/window/BatchProcessing.h"

#include "engine/EffectWorker.h"
#include "engine/ImageHistory.h"
#include "platform/system/Errors.h"
#include "platform/system/Files.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "scripts/ScriptParser.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/scripting/ScriptEditor.h"
#include "scripts/ScriptLibrary.h"
#include "workspace/window/ScriptRuns.h"
#include "workspace/window/MainWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace pv {
namespace {

// Messages and dialog titles in the interface language; the controls' own
// captions are English and the widget kit shows them translated.
QString T(const QString& text) { return TranslateText(text); }

QString ProcessingText(int index, int count)
{
    return TranslateFormat(QStringLiteral("Processing image %d of %d..."),
                           {QString::number(index), QString::number(count)});
}

TButton* PanelButton(const QString& text, QWidget* parent, QRect r, TButton::Look look = TButton::Look::Standard)
{
    auto* b = new TButton(text, look, parent);
    b->setGeometry(DpI(r.x()), DpI(r.y()), DpI(r.width()), DpI(r.height()));
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

TLabel* PanelLabel(const QString& text, QWidget* parent, QRect r, double size, TAlphaColor colour)
{
    auto* l = new TLabel(text, parent);
    l->setGeometry(DpI(r.x()), DpI(r.y()), DpI(r.width()), DpI(r.height()));
    l->setFontSize(size);
    l->setFontColour(colour);
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    return l;
}

} // namespace

QString BatchOutputFileName(const QString& InputFileName)
{
    const QFileInfo info(InputFileName);
    const QString name = info.fileName();
    QString ext = LowerExtension(name);
    const QString base = name.left(name.size() - ext.size());
    if (ext == QLatin1String(".bmp"))
        ext = QStringLiteral(".png");
    return QDir(info.path()).filePath(base + QStringLiteral("_PV") + ext);
}

TBatchMode::TBatchMode(TForm1& form) : form_(form)
{
    FBatchTimer.setInterval(200);
    connect(&FBatchTimer, &QTimer::timeout, this, &TBatchMode::OnBatchTimer);
}

TBatchMode::~TBatchMode() = default;

void TBatchMode::Stop()
{
    FBatchTimer.stop();
    FBatchRunning = false;
}

QStringList TBatchMode::AskBatchFiles()
{
    return QFileDialog::getOpenFileNames(&form_, T(QStringLiteral("Select images for batch processing")), QString(),
                                         QStringLiteral("Image files (*.jpg *.jpeg *.png *.bmp);;All files (*)"));
}

QString TBatchMode::AskBatchScriptFile()
{
    const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                               .filePath(QStringLiteral("Pelandrovium"));
    return QFileDialog::getOpenFileName(&form_, T(QStringLiteral("Select script for batch processing")), folder,
                                        QStringLiteral("Pelandrovium Script (*.vls);;All files (*)"));
}

void TBatchMode::StartBatchMode()
{
    if (FBatchRunning)
        return;
    if (form_.IsEffectRunning() || form_.FScriptRunning.load()) {
        form_.ShowMessage(T(QStringLiteral("Please wait for the current effect to finish.")));
        return;
    }
    const QStringList files = AskBatchFiles();
    if (!files.isEmpty())
        PrepareBatch(files);
}

void TBatchMode::PrepareBatch(const QStringList& files)
{
    if (FBatchRunning || files.isEmpty())
        return;
    FBatchFiles = files;
    HideScriptEditorForBatch();
    // Damage is reported when the file's turn comes.
    bool damaged = false;
    FFirstFileUnreadable = !LoadLargeImage(form_.FilesView(), FBatchFiles.constFirst(), &damaged);
    CreateBatchOverlayControls();
    FBatchScriptMode = false;
    FBatchScript.clear();
    {
        const QSignalBlocker block(FBatchScriptCombo);
        FBatchScriptCombo->setCurrentIndex(-1);
    }
    FBatchMsgLabel->setText(QStringLiteral("To start batch processing, choose the desired effect and parameters "
                                           "and when ready press the 'Start batch' button"));
    FBatchCancelPreBtn->setText(QStringLiteral("Cancel batch"));
    FBatchStartBtn->setText(QStringLiteral("Start batch"));
    CenterInClient(FBatchMsgPanel);
    FBatchMsgPanel->show();
    FBatchMsgPanel->raise();
}

void TBatchMode::CenterInClient(QWidget* w)
{
    w->move((form_.width() - w->width()) / 2, (form_.height() - w->height()) / 2);
}

void TBatchMode::CreateBatchOverlayControls()
{
    if (!FBatchMsgPanel) {
        FBatchMsgPanel = new TRoundedPanel(&form_);
        FBatchMsgPanel->resize(DpI(600), DpI(285));
        FBatchMsgPanel->setRadius(15);
        FBatchMsgPanel->setFillColour(kPanelRaised);
        FBatchMsgPanel->setShadow({4, 2, 2, kShadow});
        FBatchMsgPanel->hide();

        FBatchCloseX = PanelLabel(QStringLiteral("x"), FBatchMsgPanel, {564, 10, 26, 26}, 18, kTextBright);
        FBatchCloseX->setClickable(true);
        connect(FBatchCloseX, &TLabel::clicked, this, &TBatchMode::BatchCancelPreClick);
        connect(FBatchCloseX, &TLabel::hoverChanged, this, [this](bool on) {
            FBatchCloseX->setFontColour(on ? kStateCloseText : kTextBright);
        });
        FBatchMsgLabel = PanelLabel(QString(), FBatchMsgPanel, {45, 26, 510, 50}, 14, kTextBright);
        FBatchCancelPreBtn = PanelButton(QStringLiteral("Cancel"), FBatchMsgPanel, {90, 80, 200, 33},
                                         TButton::Look::Ghost);
        FBatchStartBtn = PanelButton(QStringLiteral("Start batch"), FBatchMsgPanel, {310, 80, 200, 33},
                                     TButton::Look::Primary);
        connect(FBatchCancelPreBtn, &TButton::clicked, this, &TBatchMode::BatchCancelPreClick);
        connect(FBatchStartBtn, &TButton::clicked, this, &TBatchMode::BatchStartClick);
        FBatchSeparator = new QWidget(FBatchMsgPanel);
        FBatchSeparator->setGeometry(DpI(40), DpI(135), DpI(520), 1);
        PanelLabel(QStringLiteral("Advanced: run a script instead of the current effect"), FBatchMsgPanel,
                   {20, 148, 560, 18}, 11, kTextHint);
        auto* load = PanelButton(QStringLiteral("Load script..."), FBatchMsgPanel, {220, 173, 160, 28},
                                 TButton::Look::Ghost);
        connect(load, &TButton::clicked, this, &TBatchMode::BatchLoadScriptClick);
        PanelLabel(QStringLiteral("...or pick an embedded script:"), FBatchMsgPanel, {20, 209, 560, 16}, 11,
                   kTextHint);
        FBatchScriptCombo = new QComboBox(FBatchMsgPanel);
        FBatchScriptCombo->setGeometry(DpI(150), DpI(230), DpI(300), DpI(26));
        FBatchScriptCombo->setCursor(Qt::PointingHandCursor);
        ApplyTheme();
        LoadBatchEmbeddedScripts();
    }
    if (!FBatchOverlay) {
        FBatchOverlay = new QWidget(&form_);
        FBatchOverlay->setStyleSheet(QStringLiteral("background: rgba(0,0,0,128);"));
        FBatchOverlay->setAttribute(Qt::WA_StyledBackground);
        FBatchOverlay->hide();
        FBatchOverlayPanel = new TRoundedPanel(FBatchOverlay);
        FBatchOverlayPanel->resize(DpI(500), DpI(130));
        FBatchOverlayPanel->setRadius(15);
        FBatchOverlayPanel->setFillColour(kPanelRaised);
        FBatchOverlayPanel->setShadow({4, 2, 2, kShadow});
        FBatchLabel = PanelLabel(ProcessingText(1, 1), FBatchOverlayPanel, {10, 25, 480, 30}, 16, kTextBright);
        FBatchCancelBtn = PanelButton(QStringLiteral("Cancel batch"), FBatchOverlayPanel, {150, 75, 200, 33},
                                      TButton::Look::Ghost);
        connect(FBatchCancelBtn, &TButton::clicked, this, &TBatchMode::BatchCancelClick);
    }
}

void TBatchMode::ApplyTheme()
{
    if (FBatchSeparator)
        FBatchSeparator->setStyleSheet(QStringLiteral("background: %1;").arg(
            QColor::fromRgba(ThemeMapColor(kOverlayScrollbar)).name(QColor::HexArgb)));
    if (FBatchScriptCombo)
        FBatchScriptCombo->setStyleSheet(
            QStringLiteral("QComboBox { background: %1; color: %2; border: 1px solid %3; border-radius: 4px; "
                           "padding-left: 6px; } QComboBox QAbstractItemView { background: %1; color: %2; }")
                .arg(QColor::fromRgba(ThemeMapColor(kPanelSide)).name(),
                     QColor::fromRgba(ThemeMapTextColor(kTextField)).name(),
                     QColor::fromRgba(ThemeMapColor(kBorder)).name()));
}

void TBatchMode::LoadBatchEmbeddedScripts()
{
    FBatchEmbScriptText.clear();
    const QSignalBlocker block(FBatchScriptCombo);
    FBatchScriptCombo->clear();
    for (const TScriptEntry& e : LoadEmbeddedScripts()) {
        FBatchEmbScriptText << e.Text;
        FBatchScriptCombo->addItem(e.Name);
    }
    FBatchScriptCombo->setCurrentIndex(-1);
    connect(FBatchScriptCombo, &QComboBox::currentIndexChanged, this, &TBatchMode::BatchScriptComboChange,
            Qt::UniqueConnection);
}

bool TBatchMode::UseBatchScript(const QString& text, const QString& label)
{
    FBatchScript.clear();
    QStringList errors;
    if (!ParseScript(SplitScriptLines(text), FBatchScript, errors)) {
        FBatchScript.clear();
        FBatchScriptMode = false;
        form_.ShowMessage(T(QStringLiteral("Script has errors:")) + QStringLiteral("\r\n") + errors.value(0));
        return false;
    }
    FBatchScriptMode = true;
    if (FBatchMsgLabel)
        FBatchMsgLabel->setText(TranslateFormat(QStringLiteral("Batch will run script: %s"), {label}));
    return true;
}

void TBatchMode::BatchLoadScriptClick()
{
    const QString path = AskBatchScriptFile();
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FBatchScript.clear();
        FBatchScriptMode = false;
        form_.ShowMessage(file.errorString());
        return;
    }
    UseBatchScript(DecodeScriptBytes(file.readAll()), QFileInfo(path).fileName());
}

void TBatchMode::BatchScriptComboChange(int index)
{
    if (index >= 0 && index < FBatchEmbScriptText.size())
        UseBatchScript(FBatchEmbScriptText[index], FBatchScriptCombo->itemText(index));
}

void TBatchMode::BatchCancelPreClick()
{
    if (FBatchMsgPanel)
        FBatchMsgPanel->hide();
    FBatchFiles.clear();
    ShowScriptEditorAfterBatch();
}

void TBatchMode::HideScriptEditorForBatch()
{
    if (form_.FormScriptEditor && form_.FormScriptEditor->isVisible()) {
        form_.CloseScriptEditorForDialog();
        FEditorHiddenForBatch = true;
    }
    form_.raise();
    form_.activateWindow();
}

void TBatchMode::ShowScriptEditorAfterBatch()
{
    if (!FEditorHiddenForBatch)
        return;
    FEditorHiddenForBatch = false;
    form_.ShowScriptEditor();
}

void TBatchMode::BatchStartClick()
{
    if (FBatchRunning)
        return;
    // The first file's run would be refused while other work holds the pictures.
    if (form_.IsEffectRunning() || form_.FScriptRunning.load()) {
        form_.ShowMessage(T(QStringLiteral("Please wait for the current effect to finish.")));
        return;
    }
    if (FBatchMsgPanel)
        FBatchMsgPanel->hide();
    if (FBatchFiles.isEmpty())
        return;
    FBatchIndex = 0;
    FBatchCancel = false;
    FBatchRunning = true;
    FProcessed = 0;
    if (form_.FormScriptEditor)
        form_.FormScriptEditor->StopCubeAnimation();
    CreateBatchOverlayControls();
    FBatchCancelBtn->setText(QStringLiteral("Cancel batch"));
    FBatchLabel->setText(ProcessingText(1, int(FBatchFiles.size())));
    FBatchOverlay->setGeometry(form_.rect());
    CenterInClient(FBatchOverlayPanel);
    FBatchOverlayPanel->move((FBatchOverlay->width() - FBatchOverlayPanel->width()) / 2,
                             (FBatchOverlay->height() - FBatchOverlayPanel->height()) / 2);
    FBatchOverlay->show();
    FBatchOverlay->raise();
    StartCurrentFile();
    FBatchTimer.start();
}

QString TBatchMode::CurrentInputName() const { return QFileInfo(FBatchFiles.value(FBatchIndex)).fileName(); }

void TBatchMode::StartCurrentFile()
{
    FRunError.clear();
    FRunCancelled = false;
    FLoadedPicture.reset();
    FFileLoaded = false;
    // An unreadable file is reported by the load and skipped: the pictures of
    // the previous file must never be saved under this file's name.
    // The first file was read (and an unreadable one reported) when the batch was prepared.
    if (FBatchIndex == 0 && FFirstFileUnreadable)
        return;
    bool damaged = false;
    FFileLoaded = LoadLargeImage(form_.FilesView(), FBatchFiles.value(FBatchIndex), &damaged);
    if (!FFileLoaded)
        return;
    if (damaged)
        form_.ShowMessage(
            TranslateFormat(QStringLiteral("The image file \"%s\" is damaged; part of the picture may be missing"),
                            {CurrentInputName()}));
    FLoadedPicture = form_.FSkImage;
    if (UsesScript()) {
        RunScriptForBatch();
        return;
    }
    ProcessEffect(form_.SelectedEffectNumber, Round(form_.TrackBar(1)->value()), Round(form_.TrackBar(2)->value()),
                  Round(form_.TrackBar(3)->value()), Round(form_.TrackBar(4)->value()),
                  Round(form_.TrackBar(5)->value()), false);
}

void TBatchMode::RunScriptForBatch()
{
    if (!form_.FSkImage || !form_.FSkSourceImage)
        return;
    TScriptContext context = form_.BuildScriptContext();
    form_.FScriptRunning = true;
    form_.Cancel = false;
    try {
        StartScriptWorker(form_, FBatchScript, std::move(context), {}, [this](TScriptRunResult& result) {
            FRunError = result.Error;
            FRunCancelled = form_.Cancel.load();
            if (result.ResultImage) {
                form_.FSkImage = result.ResultImage;
                if (result.ResultSourceImage)
                    form_.FSkSourceImage = result.ResultSourceImage;
            }
        });
    } catch (const std::exception& e) {
        FRunError = QString::fromStdString(e.what());
    }
}

void TBatchMode::OnBatchTimer()
{
    if (!FBatchRunning || form_.IsDestroying()) {
        FBatchTimer.stop();
        return;
    }
    if (form_.FScriptRunning.load() || (!UsesScript() && form_.IsEffectRunning()))
        return;
    FBatchTimer.stop();

    BatchSaveCurrentImage();
    if (FBatchCancel) {
        BatchFinished();
        return;
    }
    if (++FBatchIndex >= FBatchFiles.size()) {
        BatchFinished();
        return;
    }
    FBatchLabel->setText(ProcessingText(FBatchIndex + 1, int(FBatchFiles.size())));
    StartCurrentFile();
    FBatchTimer.start();
}

void TBatchMode::BatchSaveCurrentImage()
{
    if (!FFileLoaded || !form_.FSkImage)
        return;
    const QString input = CurrentInputName();
    if (UsesScript() && !FRunError.isEmpty()) {
        if (!FRunCancelled)
            form_.ShowMessage(TranslateFormat(QStringLiteral("Error processing image \"%s\": %s"), {input, FRunError}));
        return;
    }
    // An effect run that ended without a picture (failed or cancelled before
    // its first intermediate result) left the loaded picture in place.
    if (!UsesScript() && form_.FSkImage == FLoadedPicture) {
        if (!form_.Cancel.load())
            form_.ShowMessage(TranslateFormat(QStringLiteral("Error processing image \"%s\": %s"),
                                              {input, QStringLiteral("the effect produced no result")}));
        return;
    }
    try {
        WriteImageFile(form_.FSkImage, BatchOutputFileName(FBatchFiles.value(FBatchIndex)));
        ++FProcessed;
    } catch (...) {
        form_.ShowMessage(
            TranslateFormat(QStringLiteral("Error saving image \"%s\": %s"),
                            {input, QString::fromStdString(DescribeError(std::current_exception()).message)}));
    }
    if (form_.FHistory)
        form_.FHistory->Save(form_.FSkImage, form_.FSkSourceImage);
    form_.RedrawCanvas();
}

void TBatchMode::BatchFinished()
{
    FBatchTimer.stop();
    FBatchRunning = false;
    if (FBatchOverlay)
        FBatchOverlay->hide();
    ShowScriptEditorAfterBatch();
    if (form_.FormScriptEditor && form_.FormScriptEditor->isVisible())
        form_.FormScriptEditor->StartCubeAnimation();
    form_.ShowMessage(TranslateFormat(QStringLiteral("Batch complete: %d of %d images processed."),
                                      {QString::number(FProcessed), QString::number(FBatchFiles.size())}));
    FBatchFiles.clear();
}

void TBatchMode::BatchCancelClick() { FBatchCancel = true; }

// ---------------------------------------------------------------- TForm1

TBatchMode& TForm1::Batch()
{
    if (!FBatch)
        FBatch = std::make_unique<TBatchMode>(*this);
    return *FBatch;
}

void TForm1::StartBatchMode() { Batch().StartBatchMode(); }

} // namespace pv

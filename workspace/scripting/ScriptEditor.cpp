#include "workspace/scripting/ScriptEditor.h"

#include "platform/system/Files.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/TabNav.h"
#include "scripts/ScriptFormatters.h"
#include "scripts/ScriptParser.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"
#include "shell/WindowKeyFilter.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/scripting/ScriptHelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

namespace pv {
namespace {

// Interface texts pass through here on their way to the screen.
// Messages, status texts and dialog titles in the interface language; the
// controls' own captions are English and the widget kit shows them translated.
QString T(const QString& text) { return TranslateText(text); }

constexpr TAlphaColor kStatusGrey = kTextStatus;
constexpr TAlphaColor kStatusRed = kStateError;
constexpr TAlphaColor kStatusGreen = kStateSuccess;

constexpr int kClientW = 829, kClientH = 777;
constexpr int kMiniW = 344, kMiniH = 136;

QString ScriptsFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("Pelandrovium"));
}

QString ColorName(TAlphaColor c) { return QColor::fromRgba(c).name(QColor::HexArgb); }

TButton* MakeButton(const QString& text, TButton::Look look, QWidget* parent, QRect design)
{
    auto* b = new TButton(text, look, parent);
    b->setGeometry(DpI(design.x()), DpI(design.y()), DpI(design.width()), DpI(design.height()));
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

TLabel* MakeLabel(const QString& text, QWidget* parent, QRect design, double size, TAlphaColor colour)
{
    auto* l = new TLabel(text, parent);
    l->setGeometry(DpI(design.x()), DpI(design.y()), DpI(design.width()), DpI(design.height()));
    l->setFontSize(size);
    l->setFontColour(colour);
    return l;
}

} // namespace

TFormScriptEditor::TFormScriptEditor(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(T(QStringLiteral("Script Editor")));
    resize(DpI(kClientW), DpI(kClientH));
    CreateDesign();
    LoadScriptText(StartupScriptLines(), true);
    FScripts = LoadEmbeddedScripts();
    RebuildScriptCombo();
    CreateMiniUI();
    LblStatus->raise();
    UpdateWindowShape();
    InstallKeys();
}

void TFormScriptEditor::InstallKeys()
{
    FFocusRing = CreateFocusRing(this);
    SetWindowDrawsFocusRing(this);
    connect(qApp, &QApplication::focusChanged, this, &TFormScriptEditor::FocusRingUpdate);

    // The filter sees a key before the focused control, so Tab moves the
    // focus out of the script instead of typing a tab. Keys meant for a
    // window of their own (an open drop-down list) never reach it.
    keys_ = new TWindowKeyFilter(this);
    keys_->AddRow({Qt::Key_Tab, TKeyMods::NoMod, TKeyStage::Navigation, false, {},
                   [this](const TKeyPress& k) {
                       BeginKeyboardFocus();
                       MoveTabFocus(TabRoot(), k.focus == this ? nullptr : k.focus,
                                    k.modifiers & Qt::ShiftModifier);
                       return true;
                   },
                   "next stop"});
    // Enter and Space click what the ring marks; Enter also a button.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Space)})
        keys_->AddRow({key, TKeyMods::Any, TKeyStage::Navigation, false, {},
                       [this](const TKeyPress& k) {
                           if (!FocusRingShown(FFocusRing) || !k.focus)
                               return false;
                           const bool button = k.key == Qt::Key_Return && qobject_cast<TButton*>(k.focus) &&
                                               HasClickHandler(k.focus);
                           if (!button && !IsRingClickable(k.focus))
                               return false;
                           HideFocusRing(FFocusRing, this);
                           ClickUnderRing(k.focus);
                           return true;
                       },
                       "click under the ring"});
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Escape)})
        keys_->AddRow({key, TKeyMods::Any, TKeyStage::Navigation, false, {},
                       [this](const TKeyPress&) {
                           HideFocusRing(FFocusRing, this);
                           return false;
                       },
                       "hide the ring"});
    // During a run Esc is left to the focused control.
    keys_->AddRow({Qt::Key_Escape, TKeyMods::Any, TKeyStage::Shortcuts, false, [this](const TKeyPress&) { return !FRunning; },
                   [this](const TKeyPress&) {
                       close();
                       return true;
                   },
                   "close"});
    keys_->AddRow({Qt::Key_S, TKeyMods::Mod, TKeyStage::Shortcuts, false,
                   [](const TKeyPress& k) { return bool(k.modifiers & Qt::ControlModifier); },
                   [this](const TKeyPress&) {
                       BtnSaveClick();
                       return true;
                   },
                   "save"});
    keys_->AddRow({Qt::Key_F5, TKeyMods::Any, TKeyStage::Shortcuts, false, {},
                   [this](const TKeyPress&) {
                       BtnRunClick();
                       return true;
                   },
                   "run"});
}

QWidget* TFormScriptEditor::TabRoot() const
{
    if (MemoScriptHelp && MemoScriptHelp->isVisible())
        return MemoScriptHelp;
    if (FMiniMode && MiniPanel && MiniPanel->isVisible())
        return MiniPanel;
    return const_cast<TFormScriptEditor*>(this);
}

void TFormScriptEditor::FocusRingUpdate(QWidget* old, QWidget* now)
{
    if (!FFocusRing)
        return;
    if (now && now->window() == this) {
        QWidget* focused = now == this ? nullptr : now;
        UpdateFocusRing(FFocusRing, focused, TabRoot(), this);
        // A button reached by Tab in the insert column comes into view.
        if (focused && InsertScroll->widget() && InsertScroll->widget()->isAncestorOf(focused))
            InsertScroll->ensureWidgetVisible(focused);
    } else if (old && old->window() == this) {
        // The focus went to another window: its keyboard flag is not ours.
        HideFocusRing(FFocusRing, this);
    }
}

TFormScriptEditor::~TFormScriptEditor()
{
    // Closing the window in the base classes' teardown moves the focus: the
    // slot must not reach an editor that is half destroyed.
    disconnect(qApp, nullptr, this, nullptr);
}

void TFormScriptEditor::CreateDesign()
{
    BackgroundRect = new TRoundedPanel(this);
    BackgroundRect->setGeometry(DpI(10), DpI(10), DpI(804), DpI(750));
    BackgroundRect->setRadius(15);
    BackgroundRect->setFillColour(kBackgroundWorkspace);

    TopBar = new QWidget(BackgroundRect);
    TopBar->setGeometry(0, 0, DpI(804), DpI(45));
    TopBar->setCursor(Qt::SizeAllCursor);
    TopBar->installEventFilter(this);
    LblTitle = MakeLabel(QStringLiteral("Script Editor"), TopBar, {15, 8, 400, 30}, 16, kTextBright);

    auto* close = new TLabel(QStringLiteral("\u2715"), BackgroundRect);
    close->setGeometry(DpI(770), DpI(10), DpI(24), DpI(24));
    close->setFontSize(16);
    close->setFontColour(kTextBright);
    close->setAlignment(Qt::AlignCenter);
    close->setClickable(true);
    close->setToolTip(QStringLiteral("Close"));
    connect(close, &TLabel::clicked, this, &TFormScriptEditor::BtnCloseClick);

    // Right panel with the insert buttons.
    auto* right = new QWidget(BackgroundRect);
    right->setGeometry(DpI(804 - 220), DpI(45), DpI(220), DpI(750 - 45 - 90));
    MakeLabel(QStringLiteral("Insert command"), right, {10, 0, 200, 24}, 13, kTextBright);
    InsertScroll = new QScrollArea(right);
    InsertScroll->setGeometry(0, DpI(28), DpI(220), right->height() - DpI(28));
    InsertScroll->setFrameShape(QFrame::NoFrame);
    InsertScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    InsertScroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    // Not a stop itself: Tab goes to the buttons inside it.
    InsertScroll->setFocusPolicy(Qt::NoFocus);
    // The column paints the window's colour: a scroll box's viewport does not
    // show what lies behind it.
    auto* column = new TRoundedPanel;
    column->setRadius(0);
    column->setFillColour(kBackgroundWorkspace);
    CreateInsertButtons(column);
    InsertScroll->setWidget(column);
    InsertScroll->viewport()->setAutoFillBackground(false);

    MemoScript = new QPlainTextEdit(BackgroundRect);
    MemoScript->setGeometry(DpI(12), DpI(45), DpI(804 - 220 - 20), DpI(750 - 45 - 90));
    QFont mono(QStringLiteral("Consolas"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(DpI(14));
    MemoScript->setFont(mono);
    MemoScript->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoScript->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MemoScript, &QPlainTextEdit::customContextMenuRequested, this, &TFormScriptEditor::ShowMemoMenu);
    // A click into the script closes the reference.
    MemoScript->viewport()->installEventFilter(this);
    FCubePaintBox = new TCubeView(MemoScript->viewport());

    SkSvg1 = new TSvgIcon(TopBar);
    SkSvg1->setObjectName(QStringLiteral("SkSvg1"));
    SkSvg1->setSvgData(QByteArrayLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\" fill=\"none\" stroke=\"#000\" "
        "stroke-width=\"1.8\" stroke-linecap=\"round\" stroke-linejoin=\"round\"><circle cx=\"12\" cy=\"12\" "
        "r=\"9\"/><path d=\"M9.5 9a2.5 2.5 0 1 1 3.5 2.3c-.7.3-1 .9-1 1.7\"/><path d=\"M12 17h.01\"/></svg>"));
    // White on the dark body, the light theme's text colour on the light one.
    SkSvg1->setStyledColour("icon", kTextBright, kLightText);
    SkSvg1->setClickable(true);
    SkSvg1->setToolTip(QStringLiteral("Help"));
    SkSvg1->setGeometry(DpI(736), DpI(10), DpI(24), DpI(24));
    connect(SkSvg1, &TSvgIcon::clicked, this, &TFormScriptEditor::SkSvg1Click);

    MemoScriptHelp = new TScriptHelpPanel(BackgroundRect);

    // Bottom bar.
    auto* bottom = new QWidget(BackgroundRect);
    bottom->setGeometry(0, DpI(750 - 90), DpI(804), DpI(90));
    LblScripts = MakeLabel(QStringLiteral("Script"), bottom, {15, 12, 95, 22}, 13, kStatusGrey);
    CboScripts = new QComboBox(bottom);
    CboScripts->setGeometry(DpI(102), DpI(10), DpI(477), DpI(26));
    CboScripts->setCursor(Qt::PointingHandCursor);
    ApplyEditorTheme();
    connect(CboScripts, &QComboBox::currentIndexChanged, this, &TFormScriptEditor::ScriptComboChange);

    BtnOpen = MakeButton(QStringLiteral("Open..."), TButton::Look::Standard, bottom, {15, 45, 120, 34});
    BtnSave = MakeButton(QStringLiteral("Save as..."), TButton::Look::Standard, bottom, {147, 45, 158, 34});
    ProgressFill = new TRoundedPanel(bottom);
    ProgressFill->setGeometry(DpI(318), DpI(45), 0, DpI(33));
    ProgressFill->setRadius(4);
    ProgressFill->setHitTest(false);
    ProgressFill->hide();
    LblStatus = MakeLabel(QString(), bottom, {315, 45, 178, 33}, 12, kStatusGrey);
    LblStatus->setAlignment(Qt::AlignCenter);
    LblStatus->setWordWrap(true);
    BtnClose = MakeButton(QStringLiteral("Close"), TButton::Look::Ghost, bottom, {507, 45, 120, 34});
    BtnRun = MakeButton(QStringLiteral("Run"), TButton::Look::Primary, bottom, {639, 45, 150, 34});
    btnCancel = MakeButton(QStringLiteral("Cancel"), TButton::Look::Ghost, bottom, {639, 45, 150, 34});
    btnCancel->hide();
    BtnMinimize = MakeButton(QStringLiteral("Minimize"), TButton::Look::Ghost, bottom, {507, 45, 120, 34});
    BtnMinimize->hide();
    connect(BtnOpen, &TButton::clicked, this, &TFormScriptEditor::BtnOpenClick);
    connect(BtnSave, &TButton::clicked, this, &TFormScriptEditor::BtnSaveClick);
    connect(BtnClose, &TButton::clicked, this, &TFormScriptEditor::BtnCloseClick);
    connect(BtnRun, &TButton::clicked, this, &TFormScriptEditor::BtnRunClick);
    connect(btnCancel, &TButton::clicked, this, &TFormScriptEditor::btnCancelClick);
    connect(BtnMinimize, &TButton::clicked, this, &TFormScriptEditor::EnterMiniMode);
}

void TFormScriptEditor::CreateInsertButtons(QWidget* column)
{
    struct Row {
        const char* group; // a caption before the button, or null
        const char* caption;
        const char* hint;
        std::function<void(TButton*)> click;
        bool hidden = false;
    };
    auto line = [this](QString text) { return [this, text](TButton*) { InsertScriptLine(text); }; };
    const std::vector<Row> rows = {
        {"EFFECT", "Effect (current)", "EFFECT <id> <P1> <P2> <P3> <P4> <P5>",
         [this](TButton*) {
             SetCurrentState();
             for (const QString& l : InsertEffectLines(FCurrent))
                 InsertScriptLine(l);
         }},
        {nullptr, "Blend", "BLEND <slot> <opacity> [<mode>]", [this](TButton* b) { ShowBlendModeList(b); }},
        {"SLOTS", "Save", "SAVE <slot>", line(QStringLiteral("SAVE myslot"))},
        {nullptr, "Load", "LOAD <slot>", line(QStringLiteral("LOAD myslot"))},
        {nullptr, "Swap", "SWAP", line(QStringLiteral("SWAP"))},
        {"CANVAS", "Reset", "RESET", line(QStringLiteral("RESET"))},
        {nullptr, "Clear", "CLEAR", line(QStringLiteral("CLEAR"))},
        {nullptr, "Do not clear", "NOCLEAR", line(QStringLiteral("NOCLEAR"))},
        {nullptr, "Resize", "RESIZE <width> <height>", line(QStringLiteral("RESIZE 1920 1080"))},
        {"FINALIZE", "Texture", "TEXTURE [#N] [<strength> <scale>]",
         [this](TButton*) {
             SetCurrentState();
             InsertScriptLine(InsertTextureLine(FCurrent));
         }},
        {nullptr, "Frame", "FRAME [#N] [<margin> [<color>]]",
         [this](TButton*) {
             SetCurrentState();
             InsertScriptLine(InsertFrameLine(FCurrent));
         }},
        {nullptr, "Frame (brushstrokes)", "FRAME brushstrokes <width> [<color>] [brush=<N>]",
         [this](TButton*) {
             SetCurrentState();
             InsertScriptLine(InsertBrushFrameLine(FCurrent));
         }},
        {nullptr, "Text", "TEXT <x> <y> '<string>' [options]",
         line(FormatTextLine(QStringLiteral("50%"), QStringLiteral("50%"), QStringLiteral("Pelandrovium")))},
        {nullptr, "Watermark", "WATERMARK <x> <y> '<image file>' [width=<w>]",
         [this](TButton*) {
             const QString file = AskWatermarkFile();
             ComeBackToFront();
             if (!file.isEmpty())
                 InsertScriptLine(FormatWatermarkLine(QStringLiteral("99%"), QStringLiteral("99%"), file, 100));
         }},
        {nullptr, "Font", "FONT <name> <size> [<style>] [<color>]",
         line(FormatFontLine(QStringLiteral("Arial"), 48, QStringLiteral("bold"), QStringLiteral("#FFFFFFFF")))},
        {nullptr, "Contour on", "CONTOUR ON <#RRGGBB | #AARRGGBB>",
         [this](TButton*) {
             SetCurrentState();
             InsertScriptLine(InsertContourLine(FCurrent));
         },
         true},
        {nullptr, "Contour off", "CONTOUR OFF", line(QStringLiteral("CONTOUR OFF")), true},
    };
    int y = 0;
    for (const Row& row : rows) {
        if (row.group) {
            MakeLabel(QString::fromLatin1(row.group), column, {10, y + 4, 200, 18}, 11, kTextPrompt);
            y += 24;
        }
        auto* b = MakeButton(QString::fromLatin1(row.caption), TButton::Look::Ghost, column, {10, y, 200, 28});
        b->setFontSize(12);
        b->setRadius(8);
        b->setToolTip(QString::fromLatin1(row.hint));
        const auto click = row.click;
        connect(b, &TButton::clicked, this, [b, click] { click(b); });
        InsertButtons.push_back(b);
        if (row.hidden) {
            b->hide();
            continue;
        }
        y += 32;
    }
    column->setFixedSize(DpI(210), DpI(y + 4));

    CboBlendMode = new QComboBox(column);
    CboBlendMode->addItems({QStringLiteral("normal"), QStringLiteral("multiply"), QStringLiteral("darken"),
                            QStringLiteral("lighten")});
    // "lighten" is kept in the list but not offered.
    if (auto* view = qobject_cast<QListView*>(CboBlendMode->view()))
        view->setRowHidden(3, true);
    CboBlendMode->setCurrentIndex(0);
    CboBlendMode->hide();
    // However the list closes (a pick, Esc, a click elsewhere), the line of
    // the item it leaves selected goes in. A pick lands only after the list
    // has hidden, so the line is read once the close is over.
    CboBlendMode->view()->window()->installEventFilter(this);
}

void TFormScriptEditor::CreateMiniUI()
{
    MiniPanel = new TRoundedPanel(this);
    MiniPanel->setGeometry(DpI(12), DpI(12), DpI(kMiniW - 24), DpI(kMiniH - 24));
    MiniPanel->setRadius(8);
    MiniPanel->installEventFilter(this);
    MiniPanel->hide();
    MiniStatus = MakeLabel(QStringLiteral("Running..."), MiniPanel, {16, 12, 288, 20}, 13, kTextBright);
    MiniProgressFill = new TRoundedPanel(MiniPanel);
    MiniProgressFill->setGeometry(DpI(16), DpI(38), 0, DpI(16));
    MiniProgressFill->setRadius(6);
    MiniProgressFill->setHitTest(false);
    MiniCancel = MakeButton(QStringLiteral("Cancel"), TButton::Look::Ghost, MiniPanel, {16, 66, 140, 34});
    MiniRestore = MakeButton(QStringLiteral("Restore"), TButton::Look::Primary, MiniPanel, {164, 66, 140, 34});
    connect(MiniCancel, &TButton::clicked, this, &TFormScriptEditor::btnCancelClick);
    connect(MiniRestore, &TButton::clicked, this, &TFormScriptEditor::ExitMiniMode);
}

void TFormScriptEditor::LoadScriptText(const QStringList& lines, bool caretOnLastLine)
{
    MemoScript->setPlainText(lines.join(u'\n'));
    QTextCursor cursor(MemoScript->document());
    if (caretOnLastLine)
        cursor.setPosition(MemoScript->document()->lastBlock().position());
    MemoScript->setTextCursor(cursor);
}

void TFormScriptEditor::RebuildScriptCombo()
{
    const QSignalBlocker block(CboScripts);
    CboScripts->clear();
    for (const TScriptEntry& e : FScripts)
        CboScripts->addItem(e.Name);
    CboScripts->setCurrentIndex(-1);
}

QString TFormScriptEditor::StatusText() const { return LblStatus->text(); }

TAlphaColor TFormScriptEditor::StatusColor() const { return LblStatus->fontColour(); }

void TFormScriptEditor::SetStatus(const QString& text, TAlphaColor color)
{
    LblStatus->setText(text);
    LblStatus->setToolTip(text);
    LblStatus->setFontColour(color);
}

void TFormScriptEditor::SetCurrentState()
{
    if (FReadCurrentState)
        FCurrent = FReadCurrentState();
}

void TFormScriptEditor::InsertScriptLine(const QString& line)
{
    QTextDocument* doc = MemoScript->document();
    const int caretLine = MemoScript->textCursor().blockNumber();
    const int lineCount = MemoScript->toPlainText().isEmpty() ? 0 : doc->blockCount();
    const int at = InsertedLineIndex(caretLine, lineCount);
    QTextCursor cursor(doc);
    if (at >= lineCount) {
        cursor.movePosition(QTextCursor::End);
        if (lineCount > 0)
            cursor.insertText(QStringLiteral("\n"));
        cursor.insertText(line);
    } else {
        cursor.setPosition(doc->findBlockByNumber(at).position());
        cursor.insertText(line + u'\n');
        cursor.movePosition(QTextCursor::PreviousCharacter);
    }
    MemoScript->setTextCursor(cursor);
    MemoScript->setFocus();
}

void TFormScriptEditor::ShowBlendModeList(TButton* anchor)
{
    CboBlendMode->setGeometry(anchor->x(), anchor->y() + anchor->height() + DpI(2), anchor->width(), DpI(26));
    CboBlendMode->show();
    CboBlendMode->raise();
    CboBlendMode->showPopup();
}

void TFormScriptEditor::CboBlendModeClosePopup()
{
    if (CboBlendMode->isHidden())
        return;
    CboBlendMode->hide();
    const int index = CboBlendMode->currentIndex();
    if (index >= 0)
        InsertScriptLine(InsertBlendLine(CboBlendMode->itemText(index)));
}

void TFormScriptEditor::ScriptComboChange(int index)
{
    if (FRunning || index < 0 || index >= int(FScripts.size()))
        return;
    const TScriptEntry& e = FScripts[size_t(index)];
    LoadScriptText(SplitScriptLines(e.Text), false);
    FCurrentFilePath.clear();
    SetStatus(T(QStringLiteral("Loaded:")) + u' ' + e.Name, kStatusGrey);
}

void TFormScriptEditor::ImportScripts(const QStringList& paths)
{
    QStringList refused;
    std::vector<TScriptEntry> found = ImportScriptFiles(paths, &refused);
    if (!refused.isEmpty())
        ShowMessage(QStringLiteral("Not imported (larger than %1 MB, which no script needs): ").arg(kMaxScriptBytes >> 20) +
                    refused.join(QStringLiteral(", ")));
    const size_t first = FScripts.size();
    for (TScriptEntry& e : found)
        FScripts.push_back(std::move(e));
    RebuildScriptCombo();
    if (found.empty()) {
        SetStatus(T(QStringLiteral("No scripts found")), kStatusRed);
        return;
    }
    CboScripts->setCurrentIndex(int(first));
    SetStatus(TranslateFormat(QStringLiteral("Imported %d script(s)"), {QString::number(found.size())}),
              kStatusGrey);
}

void TFormScriptEditor::BtnOpenClick()
{
    if (FRunning)
        return;
    const auto back = qScopeGuard([this] { ComeBackToFront(); });
    const QStringList paths = AskOpenScriptFiles();
    if (!paths.isEmpty())
        ImportScripts(paths);
}

void TFormScriptEditor::BtnSaveClick()
{
    const auto back = qScopeGuard([this] { ComeBackToFront(); });
    const QString fileName = AskSaveScriptFile();
    if (fileName.isEmpty() || !ConfirmReplace(fileName))
        return;
    QString why;
    if (!WriteFileAtomically(fileName, EncodeScriptForSave(SplitScriptLines(MemoScript->toPlainText())), &why)) {
        ShowMessage(TranslateFormat(QStringLiteral("Error saving script \"%s\": %s"),
                                    {QFileInfo(fileName).fileName(), why}));
        return;
    }
    FCurrentFilePath = fileName;
    // Not in the red of an earlier error: the save worked.
    SetStatus(T(QStringLiteral("Saved:")) + u' ' + QFileInfo(fileName).fileName(), kStatusGrey);
}

void TFormScriptEditor::BtnCloseClick()
{
    if (!FRunning)
        close();
}

void TFormScriptEditor::BtnRunClick()
{
    if (FRunning)
        return;
    const QStringList lines = SplitScriptLines(MemoScript->toPlainText());
    if (lines.isEmpty()) {
        LblStatus->setText(T(QStringLiteral("Script is empty")));
        return;
    }
    std::vector<TScriptCommand> commands;
    QStringList errors;
    if (!ParseScript(lines, commands, errors)) {
        SetStatus(T(QStringLiteral("Parse errors found")), kStatusRed);
        ShowMessage(ScriptErrorsMessage(errors, &T));
        ComeBackToFront();
        return;
    }
    if (FCenterCanvas)
        FCenterCanvas();
    FRunning = true;
    StopCubeAnimation();
    SetRunningControls(true);
    const TAlphaColor fill = kOverlayProgress;
    ProgressFill->setFillColour(fill);
    MiniProgressFill->setFillColour(fill);
    ProgressFill->show();
    SetProgressPercent(0);
    SetStatus(T(QStringLiteral("Running...")), kStatusGrey);
    EnterMiniMode();
    if (FOnRunScript)
        FOnRunScript(this, lines.join(u'\n'));
}

void TFormScriptEditor::SetRunningControls(bool running)
{
    BtnRun->setVisible(!running);
    BtnRun->setEnabled(!running);
    btnCancel->setVisible(running);
    BtnOpen->setEnabled(!running);
    BtnSave->setEnabled(!running);
    BtnClose->setEnabled(!running);
    BtnClose->setVisible(!running);
    BtnMinimize->setVisible(running);
    MemoScript->setReadOnly(running);
    CboScripts->setEnabled(!running);
}

void TFormScriptEditor::btnCancelClick()
{
    if (FRunning && FCancelRun)
        FCancelRun();
}

void TFormScriptEditor::UpdateProgress(int AStep, int ATotal, const QString& AStepName)
{
    if (ATotal > 0)
        SetProgressPercent(double(AStep) / ATotal * 100.0);
    const QString text = QStringLiteral("%1/%2: %3").arg(AStep).arg(ATotal).arg(AStepName);
    LblStatus->setText(text);
    if (FMiniMode)
        MiniStatus->setText(text);
}

void TFormScriptEditor::SetProgressPercent(double percent)
{
    progressPercent_ = std::clamp(percent, 0.0, 100.0);
    ProgressFill->resize(DpI(progressPercent_ * 175 / 100), ProgressFill->height());
    MiniProgressFill->resize(DpI(progressPercent_ * 288 / 100), MiniProgressFill->height());
}

void TFormScriptEditor::FinishRun(const QString& AError)
{
    FRunning = false;
    ExitMiniMode();
    StartCubeAnimation();
    SetRunningControls(false);
    ProgressFill->hide();
    SetProgressPercent(0);
    if (!AError.isEmpty()) {
        // The status line has room for one line: a longer report shows its
        // first line there and the whole text in a box once the run has ended.
        const QString text = T(AError);
        const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
        SetStatus(lineEnd < 0 ? text : text.left(lineEnd), kStatusRed);
        LblStatus->setToolTip(text);
        if (lineEnd >= 0)
            QMetaObject::invokeMethod(
                this,
                [this, text] {
                    ShowMessage(text);
                    ComeBackToFront();
                },
                Qt::QueuedConnection);
    } else
        SetStatus(T(QStringLiteral("Script completed successfully")), kStatusGreen);
    if (FCenterCanvas)
        FCenterCanvas();
}

void TFormScriptEditor::ResetToDefaultScript()
{
    if (FRunning)
        return;
    FCurrentFilePath.clear();
    SetStatus(QString(), kStatusGrey);
    LoadScriptText(ResetScriptLines(), true);
}

void TFormScriptEditor::EnterMiniMode()
{
    if (FMiniMode || !FRunning)
        return;
    FMiniMode = true;
    HideFocusRing(FFocusRing, this);
    FSaved = size();
    FSavedLeft = x();
    MiniPanel->setFillColour(kPanelSide);
    MiniStatus->setFontColour(kTextBright);
    MiniStatus->setText(LblStatus->text());
    BackgroundRect->hide();
    MiniPanel->show();
    MiniPanel->raise();
    ApplyWindowBounds(FSavedLeft + (FSaved.width() - DpI(kMiniW)) / 2, y(), DpI(kMiniW), DpI(kMiniH));
}

void TFormScriptEditor::ExitMiniMode()
{
    if (!FMiniMode)
        return;
    FMiniMode = false;
    HideFocusRing(FFocusRing, this);
    MiniPanel->hide();
    BackgroundRect->show();
    ApplyWindowBounds(FSavedLeft, y(), FSaved.width(), FSaved.height());
}

void TFormScriptEditor::ApplyWindowBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
    UpdateWindowShape();
}

void TFormScriptEditor::UpdateWindowShape()
{
    // The window is only its rounded body: without a compositing window
    // manager the transparent margin would show as a black frame.
    const QWidget* body = FMiniMode ? static_cast<QWidget*>(MiniPanel) : BackgroundRect;
    const double radius = FMiniMode ? Dp(8) : Dp(15);
    QPainterPath path;
    path.addRoundedRect(QRectF(body->geometry()), radius, radius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void TFormScriptEditor::ShowMemoMenu(const QPoint& at)
{
    QMenu menu(this);
    const bool light = IsLightTheme();
    menu.setStyleSheet(QStringLiteral("QMenu { background: %1; color: %2; border: 1px solid %3; border-radius: 6px; "
                                      "padding: 6px; } QMenu::item { padding: 6px 12px; border-radius: 4px; min-width: "
                                      "136px; } QMenu::item:selected { background: %4; }")
                           .arg(light ? QStringLiteral("#FFFFFF") : QStringLiteral("#314158"),
                                light ? QStringLiteral("#1E2A38") : QStringLiteral("#E6E8EC"),
                                light ? QStringLiteral("#C8CDD6") : QStringLiteral("#42526A"),
                                light ? QStringLiteral("#E9EEF6") : QStringLiteral("#3D506B")));
    menu.addAction(T(QStringLiteral("Cut")), MemoScript, &QPlainTextEdit::cut);
    menu.addAction(T(QStringLiteral("Copy")), MemoScript, &QPlainTextEdit::copy);
    menu.addAction(T(QStringLiteral("Paste")), MemoScript, &QPlainTextEdit::paste);
    menu.addAction(T(QStringLiteral("Select all")), MemoScript, &QPlainTextEdit::selectAll);
    menu.exec(MemoScript->viewport()->mapToGlobal(at));
}

void TFormScriptEditor::closeEvent(QCloseEvent* event)
{
    if (FRunning) {
        event->ignore();
        return;
    }
    FClosing = true;
    HideFocusRing(FFocusRing, this);
    StopCubeAnimation();
    if (FUnlink)
        FUnlink();
    event->accept();
}

void TFormScriptEditor::ApplyEditorTheme()
{
    const bool light = IsLightTheme();
    ThemeWalk(this, light);
    const TAlphaColor memoText = light ? kLightTextScriptMemo : kTextScriptMemo;
    MemoScript->setStyleSheet(QStringLiteral("QPlainTextEdit { background: %1; color: %2; border: %3; "
                                             "border-radius: 4px; selection-background-color: #3D506B; }")
                                  .arg(ColorName(light ? kLightBackgroundScriptMemo : kBackgroundScriptMemo), ColorName(memoText),
                                       light ? QStringLiteral("1px solid #B9C4D2") : QStringLiteral("none")));
    CboScripts->setStyleSheet(QStringLiteral("QComboBox { background: %1; color: %2; border: 1px solid %3; "
                                             "border-radius: 4px; padding-left: 6px; }"
                                             "QComboBox QAbstractItemView { background: %1; color: %2; "
                                             "selection-background-color: #3D506B; }")
                                  .arg(ColorName(ThemeMapColor(kPanelRaised)),
                                       ColorName(ThemeMapTextColor(kTextField)),
                                       ColorName(ThemeMapColor(kBorderScriptMemo))));
    if (MemoScriptHelp)
        MemoScriptHelp->ApplyTheme(light);
    if (FCubePaintBox)
        FCubePaintBox->update();
}

void TFormScriptEditor::StartCubeAnimation()
{
    if (FClosing || FRunning || !FCubePaintBox)
        return;
    FCubePaintBox->Start();
}

void TFormScriptEditor::StopCubeAnimation()
{
    if (FCubePaintBox)
        FCubePaintBox->Stop();
}

void TFormScriptEditor::SkSvg1Click()
{
    HideFocusRing(FFocusRing, this);
    MemoScriptHelp->Toggle();
    if (MemoScriptHelp->isVisible())
        MemoScriptHelp->raise();
}

void TFormScriptEditor::ApplyLanguage()
{
    TranslateComponent(this);
    if (GetCurrentLanguage() != QLatin1String("en"))
        FitTranslatedTexts(this);
    setWindowTitle(T(QStringLiteral("Script Editor")));
}

void TFormScriptEditor::showEvent(QShowEvent* event)
{
    FClosing = false;
    ApplyEditorTheme();
    ApplyLanguage();
    QWidget::showEvent(event);
    QTimer::singleShot(0, this, [this] { StartCubeAnimation(); });
}

bool TFormScriptEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (CboBlendMode && watched == CboBlendMode->view()->window()) {
        if (event->type() == QEvent::Hide)
            QMetaObject::invokeMethod(this, &TFormScriptEditor::CboBlendModeClosePopup, Qt::QueuedConnection);
        return false;
    }
    if (MemoScript && watched == MemoScript->viewport()) {
        if (event->type() == QEvent::MouseButtonPress && MemoScriptHelp)
            MemoScriptHelp->hide();
        return false;
    }
    // The title bar and, in mini mode, the whole panel drag the window.
    if (watched != TopBar && watched != MiniPanel)
        return QWidget::eventFilter(watched, event);
    // An event is cast to a mouse event only once its type says it is one.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        dragging_ = true;
        dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (!dragging_ || !(mouse->buttons() & Qt::LeftButton))
            return false;
        move(mouse->globalPosition().toPoint() - dragOffset_);
        return true;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return false;
    default:
        return false;
    }
}

void TFormScriptEditor::ComeBackToFront()
{
    // A dialog that closes hands the activation to whichever window the
    // window manager picks, often the main window: the editor takes it back
    // so that its keys work without a click.
    if (!isVisible())
        return;
    raise();
    activateWindow();
}

void TFormScriptEditor::ShowMessage(const QString& text) { QMessageBox::warning(this, windowTitle(), text); }

QStringList TFormScriptEditor::AskOpenScriptFiles()
{
    return QFileDialog::getOpenFileNames(this, QStringLiteral("Load script(s)"), ScriptsFolder(),
                                         QStringLiteral("Pelandrovium scripts (*.vls);;ZIP archives (*.zip);;"
                                                        "Text files (*.txt);;All files (*)"));
}

QString TFormScriptEditor::AskSaveScriptFile()
{
    QDir().mkpath(ScriptsFolder());
    QFileDialog dialog(this, T(QStringLiteral("Save Script")), ScriptsFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("Pelandrovium Script (*.vls)"), QStringLiteral("Text files (*.txt)")});
    dialog.setDefaultSuffix(QStringLiteral("vls"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!FCurrentFilePath.isEmpty())
        dialog.selectFile(FCurrentFilePath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool TFormScriptEditor::ConfirmReplace(const QString& fileName)
{
    if (!QFileInfo::exists(fileName))
        return true;
    return QMessageBox::question(this, windowTitle(),
                                 FormatOverwriteQuestion(T(QString::fromUtf8(kOverwriteQuestion)), fileName),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString TFormScriptEditor::AskWatermarkFile()
{
    return QFileDialog::getOpenFileName(this, QStringLiteral("Select image file"), QString(),
                                        QStringLiteral("Image Files (*.png *.jpg *.jpeg *.bmp *.webp);;All Files (*)"));
}

} // namespace pv

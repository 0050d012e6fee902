#include "workspace/scripting/ScriptHelp.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "shell/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pv {

// ------------------------------------------------------------------ text

namespace {

const char* const kIndexNames[18] = {"BLEND",    "CLEAR",   "CONTOUR", "EFFECT", "ENHANCE", "FONT",
                                     "FRAME",    "LOAD",    "LUT_EMBEDDED", "LUT_FILE", "NOCLEAR", "RESET",
                                     "RESIZE",   "SAVE",    "SWAP",    "TEXT",   "TEXTURE", "WATERMARK"};
constexpr int kIndexColumns[3] = {0, 14, 28};
// Lines of the displayed text before the index rows: title, underline, empty,
// the index caption and its rule.
constexpr int kIndexFirstRow = 5;
constexpr int kIndexRows = 6;

QStringList SourceLines() { return HelpSourceText().split(u'\n'); }

} // namespace

QString BuildHelpText()
{
    const QStringList source = SourceLines();
    QStringList out;
    out << source.value(0) << source.value(1) << QString() << QStringLiteral("QUICK INDEX  (click a command to jump)")
        << QString(38, u'-');
    for (int row = 0; row < kIndexRows; ++row) {
        QString line;
        for (int col = 0; col < 3; ++col) {
            const QString name = QString::fromLatin1(kIndexNames[row * 3 + col]);
            line += col < 2 ? name.leftJustified(kIndexColumns[col + 1] - kIndexColumns[col], u' ') : name;
        }
        out << line;
    }
    out << QString();
    out << source.mid(2);
    return out.join(u'\n');
}

bool IsHelpSectionLine(const QString& line, const QString& name)
{
    if (line.isEmpty() || line.front() == u' ')
        return false;
    return line == name || line.startsWith(name + u' ');
}

std::vector<THelpIndexHotspot> HelpIndexHotspots(const QStringList& lines)
{
    std::vector<THelpIndexHotspot> spots;
    const int appendedFrom = kIndexFirstRow + kIndexRows + 1;
    for (int i = 0; i < 18; ++i) {
        THelpIndexHotspot h;
        h.LineIndex = kIndexFirstRow + i / 3;
        h.StartCol = kIndexColumns[i % 3];
        const QString name = QString::fromLatin1(kIndexNames[i]);
        h.Len = int(name.size());
        for (int l = appendedFrom; l < lines.size(); ++l)
            if (IsHelpSectionLine(lines[l], name)) {
                h.TargetLine = l;
                break;
            }
        spots.push_back(h);
    }
    return spots;
}

THelpLineKind ClassifyHelpLine(const QStringList& lines, int i)
{
    const QString& line = lines[i];
    if (line.trimmed().isEmpty())
        return THelpLineKind::Blank;
    const auto rule = [](const QString& l) { return l.startsWith(u"--") || l.startsWith(u"=="); };
    if (rule(line) || (i + 1 < lines.size() && rule(lines[i + 1])))
        return THelpLineKind::Heading;
    const QString bare = line.trimmed();
    if (bare.startsWith(u"# ") || bare == u"#")
        return THelpLineKind::Comment;
    if (line.front() == u' ')
        return bare.startsWith(u"Example:") ? THelpLineKind::Example : THelpLineKind::Text;
    const QString word = line.section(u' ', 0, 0);
    const bool capitals = word == word.toUpper() && word.size() > 1 && word[0] >= u'A' && word[0] <= u'Z';
    return capitals ? THelpLineKind::Command : THelpLineKind::Text;
}

THelpColours HelpColours(bool light)
{
    if (light)
        return {kLightSyntaxText, kLightSyntaxHeading, kLightSyntaxComment, kLightSyntaxCommand, kLightSyntaxExample};
    return {kSyntaxText, kSyntaxHeading, kSyntaxComment, kSyntaxCommand, kSyntaxExample};
}

// ------------------------------------------------------------------ highlighting

class THelpHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;
    THelpColours colours = HelpColours(false);

protected:
    void highlightBlock(const QString& text) override
    {
        const QTextBlock next = currentBlock().next();
        const QStringList pair = {text, next.isValid() ? next.text() : QString()};
        QTextCharFormat f;
        switch (ClassifyHelpLine(pair, 0)) {
        case THelpLineKind::Blank:
            return;
        case THelpLineKind::Heading:
            f.setFontWeight(QFont::Bold);
            f.setForeground(QColor::fromRgba(colours.heading));
            break;
        case THelpLineKind::Comment:
            f.setForeground(QColor::fromRgba(colours.comment));
            break;
        case THelpLineKind::Example:
            f.setForeground(QColor::fromRgba(colours.example));
            break;
        case THelpLineKind::Command:
            f.setFontWeight(QFont::Bold);
            f.setForeground(QColor::fromRgba(colours.command));
            break;
        case THelpLineKind::Text:
            f.setForeground(QColor::fromRgba(colours.text));
            break;
        }
        setFormat(0, int(text.size()), f);
    }
};

namespace {

// The white arrow of the scroll-to-top button.
class TArrowUp : public QWidget {
public:
    explicit TArrowUp(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c = QRectF(rect()).center();
        const double u = width() / 24.0;
        p.setPen(QPen(Qt::white, 2.4 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(c + QPointF(0, 8 * u), c + QPointF(0, -8 * u));
        p.drawPolyline(QPolygonF({c + QPointF(-6 * u, -2 * u), c + QPointF(0, -8 * u), c + QPointF(6 * u, -2 * u)}));
    }
};

} // namespace

// ------------------------------------------------------------------ cube

namespace {

float Wrap01(float v) { return v - std::floor(v); }

} // namespace

void AdvanceCube(TCubePhases& p, float dt)
{
    p.rotY = Wrap01(p.rotY + dt / 6);
    p.rotX = Wrap01(p.rotX + dt / 15);
    p.posX = Wrap01(p.posX + dt / 10);
    p.posY = Wrap01(p.posY + dt / 16);
    p.posZ = Wrap01(p.posZ + dt / 20);
    p.colour = Wrap01(p.colour + dt / 4);
}

float CubeTickSeconds(uint32_t nowMs, uint32_t lastMs)
{
    if (lastMs == 0)
        return 0.05f;
    return float(std::min<uint32_t>(nowMs - lastMs, 100)) / 1000.0f;
}

QPointF CubeBoxPosition(const TCubePhases& p, QSizeF memo, QSizeF box)
{
    const double tau = 2 * std::numbers::pi;
    return {(0.5 - 0.5 * std::cos(tau * p.posX)) * std::max(0.0, memo.width() - box.width()),
            (0.5 - 0.5 * std::cos(tau * p.posY)) * std::max(0.0, memo.height() - box.height())};
}

std::array<TCubeEdge, 12> CubeEdges(const TCubePhases& p, QPointF c)
{
    const double tau = 2 * std::numbers::pi;
    const double k = 42 - (0.5 - 0.5 * std::cos(tau * p.posZ)) * 10;
    const double ay = tau * p.rotY, ax = tau * p.rotX + 0.3490658402442932;
    QPointF screen[8];
    double depth[8];
    for (int i = 0; i < 8; ++i) {
        const double sx = i & 1 ? 1 : -1, sy = i & 2 ? 1 : -1, sz = i & 4 ? 1 : -1;
        const double q = -sx * std::sin(ay) + sz * std::cos(ay);
        screen[i] = {c.x() + (sx * std::cos(ay) + sz * std::sin(ay)) * k, c.y() + (sy * std::cos(ax) - q * std::sin(ax)) * k};
        depth[i] = sy * std::sin(ax) + q * std::cos(ax);
    }
    static constexpr int kPairs[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                          {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    std::array<TCubeEdge, 12> edges;
    for (int e = 0; e < 12; ++e)
        edges[e] = {screen[kPairs[e][0]], screen[kPairs[e][1]],
                    float((depth[kPairs[e][0]] + depth[kPairs[e][1]]) / 2)};
    std::stable_sort(edges.begin(), edges.end(), [](const TCubeEdge& a, const TCubeEdge& b) { return a.depth > b.depth; });
    return edges;
}

TAlphaColor CubeBaseColour(float phase)
{
    const int j = std::min(int(3 * phase), 2);
    const float t = 3 * phase - float(j);
    const TAlphaColor a = kAccentHelpCube[j], b = kAccentHelpCube[(j + 1) % 3];
    const auto mix = [t](int shift, TAlphaColor x, TAlphaColor y) {
        const float u = float((x >> shift) & 0xFF), v = float((y >> shift) & 0xFF);
        return uint32_t(std::nearbyint(u + (v - u) * t)) << shift;
    };
    return 0xFF000000u | mix(16, a, b) | mix(8, a, b) | mix(0, a, b);
}

TAlphaColor ShadeColor(TAlphaColor c, float factor, float alpha)
{
    const auto channel = [&](int shift) {
        return uint32_t(std::clamp(std::nearbyint(float((c >> shift) & 0xFF) * factor), 0.0f, 255.0f)) << shift;
    };
    const uint32_t a = uint32_t(std::clamp(std::nearbyint(alpha * 255), 0.0f, 255.0f));
    return a << 24 | channel(16) | channel(8) | channel(0);
}

TCubeView::TCubeView(QWidget* memo) : QWidget(memo)
{
    setObjectName(QStringLiteral("FCubePaintBox"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(0, 0, kCubeBox, kCubeBox);
    hide();
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &TCubeView::Tick);
}

void TCubeView::Start()
{
    lastMs_ = 0;
    show();
    raise();
    update();
    timer_.start();
}

void TCubeView::Stop()
{
    timer_.stop();
    hide();
}

void TCubeView::Tick()
{
    if (isHidden())
        return;
    const uint32_t now = uint32_t(QDateTime::currentMSecsSinceEpoch());
    AdvanceCube(phases, CubeTickSeconds(now, lastMs_));
    lastMs_ = now == 0 ? 1 : now;
    if (const QWidget* memo = parentWidget())
        move(CubeBoxPosition(phases, QSizeF(memo->size()), QSizeF(size())).toPoint());
    update();
}

void TCubeView::paintEvent(QPaintEvent*)
{
    if (width() < 2 || height() < 2)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const std::array<TCubeEdge, 12> edges = CubeEdges(phases, QRectF(rect()).center());
    const TAlphaColor base = CubeBaseColour(phases.colour);
    const auto shade = [](const TCubeEdge& e) { return 1 - std::clamp((e.depth + 1.75f) / 3.5f, 0.0f, 1.0f) * 0.6f; };
    for (const bool glow : {true, false})
        for (const TCubeEdge& e : edges) {
            p.setPen(QPen(QColor::fromRgba(ShadeColor(base, shade(e), glow ? 0.24f : 1.0f)), glow ? 7 : 2,
                          Qt::SolidLine, Qt::RoundCap));
            p.drawLine(e.a, e.b);
        }
}

// ------------------------------------------------------------------ panel

TScriptHelpPanel::TScriptHelpPanel(QWidget* parent) : TRoundedPanel(parent)
{
    setObjectName(QStringLiteral("MemoScriptHelp"));
    // Its colours follow ApplyTheme, not the theme walk.
    setThemeWalkSkip(true);
    setRadius(15);
    setFillColour(kPanelHelp);
    setShadow({4, 3, 3, kShadowDeep});
    setGeometry(DpI(195), DpI(40), DpI(614), DpI(672));

    MemoHelp = new QPlainTextEdit(this);
    MemoHelp->setObjectName(QStringLiteral("MemoHelp"));
    MemoHelp->setReadOnly(true);
    // The text is laid out to fit; a wider face or a rounded-up font size at
    // another interface size wraps a line rather than scrolling sideways.
    MemoHelp->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoHelp->setFrameShape(QFrame::NoFrame);
    MemoHelp->setGeometry(DpI(8), DpI(8), DpI(600), DpI(585));
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(DpI(16));
    MemoHelp->setFont(mono);
    MemoHelp->viewport()->installEventFilter(this);
    MemoHelp->viewport()->setMouseTracking(true);
    connect(MemoHelp->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TScriptHelpPanel::MemoHelpViewportPositionChange);
    highlighter_ = new THelpHighlighter(MemoHelp->document());

    BtnCloseScriptHelp = new TButton(QStringLiteral("Close"), TButton::Look::Standard, this);
    BtnCloseScriptHelp->setObjectName(QStringLiteral("BtnCloseScriptHelp"));
    BtnCloseScriptHelp->setGeometry(DpI(203), DpI(617), DpI(200), DpI(33));
    BtnCloseScriptHelp->setCursor(Qt::PointingHandCursor);
    connect(BtnCloseScriptHelp, &TButton::clicked, this, &QWidget::hide);

    BtnScrollTop = new TRoundedPanel(this);
    BtnScrollTop->setObjectName(QStringLiteral("BtnScrollTop"));
    BtnScrollTop->setGeometry(DpI(544), DpI(540), DpI(44), DpI(44));
    BtnScrollTop->setRadius(22);
    BtnScrollTop->setFillColour(kPanelHelpButton);
    BtnScrollTop->setCursor(Qt::PointingHandCursor);
    auto* arrow = new TArrowUp(BtnScrollTop);
    arrow->setObjectName(QStringLiteral("PathScrollTop"));
    arrow->setGeometry(DpI(12), DpI(12), DpI(20), DpI(20));
    connect(BtnScrollTop, &TRoundedPanel::clicked, this, &TScriptHelpPanel::BtnScrollTopClick);
    BtnScrollTop->hide();
    hide();
}

TScriptHelpPanel::~TScriptHelpPanel() = default;

void TScriptHelpPanel::LayOut()
{
    if (laidOut_)
        return;
    const QString text = BuildHelpText();
    MemoHelp->setPlainText(text);
    FIndexHotspots = HelpIndexHotspots(text.split(u'\n'));
    laidOut_ = true;
}

void TScriptHelpPanel::Toggle()
{
    if (isVisible()) {
        hide();
        return;
    }
    LayOut();
    show();
    raise();
}

void TScriptHelpPanel::ApplyTheme(bool light)
{
    setFillColour(light ? DarkenColorKeepAlpha(kLightPanelHelp) : kPanelHelp);
    const QString background = light ? QStringLiteral("transparent") : QStringLiteral("#1E293B");
    MemoHelp->setStyleSheet(QStringLiteral("QPlainTextEdit { background: %1; border: none; }").arg(background));
    highlighter_->colours = HelpColours(light);
    highlighter_->rehighlight();
}

int TScriptHelpPanel::FirstVisibleLine() const
{
    // The view scrolls by laid-out lines; a wrapped text line takes several.
    return MemoHelp->document()->findBlockByLineNumber(MemoHelp->verticalScrollBar()->value()).blockNumber();
}

void TScriptHelpPanel::ScrollHelpToLine(int Line)
{
    QTextDocument* doc = MemoHelp->document();
    if (Line < 0 || Line >= doc->blockCount())
        return;
    // The view scrolls by laid-out lines, and a text line that wraps takes
    // more than one: the line's top is the count of laid-out lines above it,
    // known once the lines above are laid out (the view lays out lazily).
    const QTextBlock target = doc->findBlockByNumber(Line);
    for (QTextBlock b = doc->begin(); b.isValid() && b != target; b = b.next())
        doc->documentLayout()->blockBoundingRect(b);
    MemoHelp->verticalScrollBar()->setValue(target.firstLineNumber());
}

void TScriptHelpPanel::BtnScrollTopClick()
{
    MemoHelp->verticalScrollBar()->setValue(0);
    BtnScrollTop->hide();
}

void TScriptHelpPanel::MemoHelpViewportPositionChange()
{
    const double lineHeight = QFontMetricsF(MemoHelp->font()).lineSpacing();
    BtnScrollTop->setVisible(MemoHelp->verticalScrollBar()->value() * lineHeight > 24);
    BtnScrollTop->raise();
}

const THelpIndexHotspot* TScriptHelpPanel::HotspotAt(QPoint viewportPos) const
{
    const QTextCursor at = MemoHelp->cursorForPosition(viewportPos);
    const int line = at.blockNumber();
    const int col = at.positionInBlock();
    // cursorForPosition gives the nearest gap: the character is left or right of it.
    const QRect caret = MemoHelp->cursorRect(at);
    const int charCol = viewportPos.x() < caret.left() ? col - 1 : col;
    for (const THelpIndexHotspot& h : FIndexHotspots)
        if (h.TargetLine >= 0 && h.LineIndex == line && charCol >= h.StartCol && charCol < h.StartCol + h.Len)
            return &h;
    return nullptr;
}

bool TScriptHelpPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == MemoHelp->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (const THelpIndexHotspot* h = HotspotAt(mouse->position().toPoint())) {
                ScrollHelpToLine(h->TargetLine);
                return true;
            }
        } else if (event->type() == QEvent::MouseMove) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            MemoHelp->viewport()->setCursor(HotspotAt(mouse->position().toPoint()) ? Qt::PointingHandCursor
                                                                                  : Qt::IBeamCursor);
        }
    }
    return TRoundedPanel::eventFilter(watched, event);
}

} // namespace pv

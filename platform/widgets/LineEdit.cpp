#include "platform/widgets/LineEdit.h"

#include "platform/widgets/DesignColours.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

namespace pv {

TLineEdit::TLineEdit(QWidget* parent) : QWidget(parent), editor_(new QLineEdit(this))
{
    addColour("fill", ColourKind::Fill, kPanelField);
    addColour("stroke", ColourKind::Fill, kBorder);
    addColour("strokeFocus", ColourKind::Fill, kAccent);
    addColour("font", ColourKind::Text, kTextBright);
    addColour("prompt", ColourKind::Text, kTextPrompt);
    addColour("selection", ColourKind::Fill, kAccentTextSelection);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setFrame(false);
    editor_->setAttribute(Qt::WA_MacShowFocusRect, false);
    editor_->installEventFilter(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusProxy(editor_);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setFontSize(14);
    applyPalette();
    connect(editor_, &QLineEdit::textEdited, this, &TLineEdit::textEdited);
    connect(editor_, &QLineEdit::returnPressed, this, &TLineEdit::returnPressed);
    connect(editor_, &QLineEdit::editingFinished, this, &TLineEdit::editingFinished);
    // The prompt this field may draw comes and goes with an empty field.
    connect(editor_, &QLineEdit::textChanged, this, qOverload<>(&QWidget::update));
}

QString TLineEdit::editText() const { return editor_->text(); }

void TLineEdit::setEditText(const QString& text)
{
    if (editor_->text() != text)
        editor_->setText(text);
}

void TLineEdit::setFontSize(double designPixels, int weight)
{
    setFont(InterFont(designPixels, weight));
    editor_->setFont(font());
    updateGeometry();
}

void TLineEdit::setAlignment(Qt::Alignment alignment) { editor_->setAlignment(alignment); }

void TLineEdit::setRadius(double designRadius)
{
    radius_ = designRadius;
    update();
}

void TLineEdit::setFramed(bool framed)
{
    framed_ = framed;
    layoutEditor();
    update();
}

bool TLineEdit::hasEditFocus() const { return editor_->hasFocus(); }

QSize TLineEdit::sizeHint() const
{
    return {DpI(160), std::max(DpI(30), QFontMetrics(font()).height() + DpI(10))};
}

void TLineEdit::setEditorInsets(int left, int right)
{
    insetLeft_ = left;
    insetRight_ = right;
    layoutEditor();
}

QRectF TLineEdit::boxRect() const
{
    const double w = Dp(1);
    return QRectF(rect()).adjusted(w / 2, w / 2, -w / 2, -w / 2);
}

double TLineEdit::radiusPixels() const { return std::min(Dp(radius_), height() / 2.0); }

void TLineEdit::resizeEvent(QResizeEvent*) { layoutEditor(); }

void TLineEdit::layoutEditor()
{
    const int pad = framed_ ? DpI(8) : 0;
    editor_->setGeometry(insetLeft_ + pad, 0, std::max(1, width() - insetLeft_ - insetRight_ - 2 * pad), height());
}

bool TLineEdit::showsOwnPrompt() const
{
    // Qt hides a centred field's prompt while the field has the focus; this
    // field shows it until something is typed.
    return editor_->text().isEmpty() && !text().isEmpty() && (editor_->alignment() & Qt::AlignHCenter) &&
           editor_->hasFocus();
}

void TLineEdit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    if (framed_) {
        p.setPen(QPen(qcolour(editor_->hasFocus() ? "strokeFocus" : "stroke"), Dp(1)));
        p.setBrush(qcolour("fill"));
        const double r = radiusPixels();
        p.drawRoundedRect(boxRect(), r, r);
    }
    if (showsOwnPrompt()) {
        // Where and as the editor draws it unfocused, under the transparent editor.
        const QRect box = editor_->geometry().marginsRemoved(editor_->textMargins());
        const QFontMetrics metrics(editor_->font());
        const QRect line(box.x() + 2, box.y() + (box.height() - metrics.height() + 1) / 2, box.width() - 4,
                         metrics.height());
        p.setOpacity(1);
        p.setFont(editor_->font());
        p.setPen(editor_->palette().color(QPalette::PlaceholderText));
        p.drawText(line, int(editor_->alignment()), metrics.elidedText(text(), Qt::ElideRight, line.width()));
    }
}

void TLineEdit::applyPalette()
{
    QPalette pal = editor_->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QColor text = qcolour("font");
        if (g == QPalette::Disabled)
            text.setAlphaF(text.alphaF() * 0.45f);
        pal.setColor(g, QPalette::Base, Qt::transparent);
        pal.setColor(g, QPalette::Window, Qt::transparent);
        pal.setColor(g, QPalette::Text, text);
        pal.setColor(g, QPalette::PlaceholderText, qcolour("prompt"));
        pal.setColor(g, QPalette::Highlight, qcolour("selection"));
        pal.setColor(g, QPalette::HighlightedText, QColor(Qt::white));
    }
    editor_->setPalette(pal);
    // A style sheet on an enclosing window recomputes the editor's palette from the style,
    // which paints a white field under light text: the editor states its own colours.
    const QColor text = qcolour("font");
    const QColor selection = qcolour("selection");
    editor_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; color: %1;"
                                          " selection-background-color: %2; selection-color: #FFFFFF; }")
                               .arg(text.name(QColor::HexArgb), selection.name(QColor::HexArgb)));
}

void TLineEdit::coloursChanged()
{
    applyPalette();
    update();
}

void TLineEdit::textChanged() { editor_->setPlaceholderText(text()); }

void TLineEdit::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(e);
}

bool TLineEdit::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == editor_) {
        switch (e->type()) {
        case QEvent::FocusIn:
            noteFocus(true, static_cast<QFocusEvent*>(e)->reason());
            update();
            break;
        case QEvent::FocusOut:
            noteFocus(false);
            update();
            break;
        case QEvent::KeyRelease:
            if (!static_cast<QKeyEvent*>(e)->isAutoRepeat())
                Q_EMIT keyReleased(static_cast<QKeyEvent*>(e)->key());
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace pv

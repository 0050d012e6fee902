#include "shell/Dictionary.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/Label.h"

#include <QFontMetricsF>
#include <QHash>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace pv {
namespace {

struct TDictionary {
    QString language = QStringLiteral("en");
    QHash<QString, QString> entries;
};

TDictionary& Dict()
{
    static TDictionary dict;
    return dict;
}

// A control's English hint, remembered on the control itself so that it goes
// with it.
constexpr char kEnglishHint[] = "pvEnglishHint";

thread_local int gFitDepth = 0;

constexpr double kMinFitSize = 9;
constexpr int kMaxFitSteps = 64;

void InstallHook() { SetTranslateHook(&TranslateText); }

} // namespace

QString GetCurrentLanguage() { return Dict().language; }

void SetCurrentLanguage(const QString& Code)
{
    InstallHook();
    Dict().language = Code;
}

QString TranslateText(const QString& Text)
{
    const TDictionary& d = Dict();
    if (d.language == QLatin1String("en"))
        return Text;
    const auto it = d.entries.constFind(Text);
    return it == d.entries.constEnd() ? Text : it.value();
}

void ClearTranslations() { Dict().entries.clear(); }

void BuildTranslations(const QStringList& EnglishLines, const QStringList& TargetLines)
{
    ClearTranslations();
    const qsizetype n = std::min(EnglishLines.size(), TargetLines.size());
    for (qsizetype i = 0; i < n; ++i)
        if (!EnglishLines[i].isEmpty() && !TargetLines[i].isEmpty())
            Dict().entries.insert(EnglishLines[i], TargetLines[i]);
}

int TranslationCount() { return int(Dict().entries.size()); }

QString PlaceholderSequence(const QString& text)
{
    QString seq;
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == u'%' && (text[i + 1] == u'd' || text[i + 1] == u's')) {
            seq += text[i + 1];
            ++i;
        }
    return seq;
}

QString TranslateFormat(const QString& english, const QStringList& values)
{
    QString pattern = TranslateText(english);
    if (PlaceholderSequence(pattern) != PlaceholderSequence(english))
        pattern = english;
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && (pattern[i + 1] == u'd' || pattern[i + 1] == u's')) {
            out += next < values.size() ? values[next] : QString();
            ++next;
            ++i;
            continue;
        }
        out += pattern[i];
    }
    return out;
}

namespace {

void Retext(QWidget* root, bool translate)
{
    for (TControl* c : ControlsUnder(root)) {
        if (c->translatable() && !c->sourceText().isEmpty())
            c->setDisplayText(translate ? TranslateText(c->sourceText()) : c->sourceText());
        for (int i = 0; i < c->itemTextCount(); ++i) {
            const QString english = c->itemSourceText(i);
            c->setItemDisplayText(i, translate ? TranslateText(english) : english);
        }
    }
    const QList<QWidget*> widgets = root->findChildren<QWidget*>();
    for (QWidget* w : QList<QWidget*>{root} + widgets) {
        const QString hint = w->toolTip();
        if (hint.isEmpty())
            continue;
        QString english = w->property(kEnglishHint).toString();
        // A hint set by code since the last pass is the new English one.
        if (english.isEmpty() || (hint != english && hint != TranslateText(english)))
            english = hint;
        w->setProperty(kEnglishHint, english);
        w->setToolTip(translate ? TranslateText(english) : english);
    }
}

} // namespace

void TranslateComponent(QWidget* Root)
{
    if (!Root)
        return;
    InstallHook();
    Retext(Root, GetCurrentLanguage() != QLatin1String("en"));
}

void RevertComponent(QWidget* Root)
{
    if (Root)
        Retext(Root, false);
}

void ForgetTranslatedComponent(QWidget* Root)
{
    if (!Root)
        return;
    Root->setProperty(kEnglishHint, QVariant());
    for (QWidget* w : Root->findChildren<QWidget*>())
        w->setProperty(kEnglishHint, QVariant());
}

bool TextFits(const QString& Text, const QFont& Font, double Width, double Height, bool MultiLine)
{
    if (Text.isEmpty() || Width <= 0 || Height <= 0)
        return true;
    try {
        const QFontMetricsF fm(Font);
        if (!MultiLine)
            return Width + 1 >= fm.horizontalAdvance(Text);
        const QRectF r = fm.boundingRect(QRectF(0, 0, std::max(1.0, std::ceil(Width)), 1e6),
                                         Qt::AlignLeft | Qt::TextWordWrap, Text);
        return Width + 1 >= r.width() && Height >= r.height();
    } catch (...) {
        return true;
    }
}

bool FitTextControl(TControl* C)
{
    try {
        QWidget* w = C ? C->widget() : nullptr;
        if (!w || !w->parentWidget() || C->text().isEmpty())
            return true;
        const double s = w->font().pixelSize() > 0 ? w->font().pixelSize() : w->font().pointSizeF();
        if (!(s > 0 && s <= 256) || w->width() <= 0 || w->height() <= 0 || w->width() >= 100000 ||
            w->height() >= 100000)
            return true;
        const auto* button = dynamic_cast<TButton*>(C);
        const auto* label = dynamic_cast<TLabel*>(C);
        double width;
        if (label) {
            if (label->wordWrap() || w->height() > 2 * s)
                return true; // a multi-line label is never shrunk
            width = w->width() - 2;
        } else if (button) {
            width = w->width() - 8;
        } else {
            width = w->width() - 26;
        }
        const double height = w->height() - 4;
        if (width <= 0 || height <= 0)
            return true;
        if (C->fittedDesignSize() == 0)
            C->setFittedDesignSize(s);
        else if (s != C->fittedDesignSize())
            C->setFittedFont(C->fittedDesignSize(), false);
        const double orig = C->fittedDesignSize();
        if (!(orig > 0 && orig <= 256))
            return true;
        if (TextFits(C->text(), w->font(), width, height, false)) {
            if (button)
                C->setFittedFont(orig, false);
            return true;
        }
        double size = orig;
        C->setFittedFont(size, button != nullptr);
        for (int step = 0; size > kMinFitSize && step < kMaxFitSteps; ++step) {
            if (TextFits(C->text(), w->font(), width, height, button != nullptr))
                break;
            size = std::max(kMinFitSize, size - 0.5);
            C->setFittedFont(size, button != nullptr);
        }
        return true;
    } catch (...) {
        return false;
    }
}

void FitTranslatedTexts(QWidget* Root)
{
    if (!Root || gFitDepth != 0)
        return;
    ++gFitDepth;
    try {
        for (TControl* c : ControlsUnder(Root))
            if (!FitTextControl(c))
                break;
    } catch (...) {
    }
    --gFitDepth;
}

} // namespace pv

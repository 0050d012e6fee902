#include "overlays/Resize.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/Switch.h"
#include "shell/Theme.h"

#include <QApplication>
#include <QLineEdit>

namespace pv {

TFrame2::TFrame2(QWidget* parent) : TOverlayPanel(QSize(342, 189), QPoint(308, 8), parent)
{
    setObjectName(QStringLiteral("TFrame2"));
    const auto label = [this](const char* name, const char* text, int x, int y, int w) {
        auto* l = new TLabel(QString::fromUtf8(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFontSize(14);
        l->setFontColour(kTextBright);
        l->setGeometry(DpI(x), DpI(y), DpI(w), DpI(22));
        return l;
    };
    const auto box = [this](const char* name, int maximum, int x, int y, int w) {
        auto* b = new TNumberBox(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setRange(0, maximum);
        b->setDecimals(0);
        b->setGeometry(DpI(x), DpI(y), DpI(w), DpI(22));
        return b;
    };
    label("Label1", "Width", 45, 29, 60);
    label("Label2", "Height", 45, 56, 60);
    NumberBox1 = box("NumberBox1", TResizeBoxes::kMaxPixels, 112, 29, 90);
    NumberBox2 = box("NumberBox2", TResizeBoxes::kMaxPixels, 112, 56, 90);
    NumberBox3 = box("NumberBox3", TResizeBoxes::kMaxPercent, 212, 29, 50);
    NumberBox4 = box("NumberBox4", TResizeBoxes::kMaxPercent, 212, 56, 50);
    label("Label3", "%", 266, 29, 20);
    label("Label4", "%", 266, 56, 20);
    FNumberBoxes = {NumberBox1, NumberBox2, NumberBox3, NumberBox4};

    chkLockAspectRatio = new TSwitch(this);
    chkLockAspectRatio->setObjectName(QStringLiteral("chkLockAspectRatio"));
    chkLockAspectRatio->move(DpI(45), DpI(94));
    chkLockAspectRatio->resize(chkLockAspectRatio->sizeHint());
    chkLockAspectRatio->setChecked(true, false);
    auto* lockCaption = label("LockCaption", "Lock Aspect Ratio", 92, 92, 205);
    lockCaption->setClickable(true);

    CancelButton = new TButton(QStringLiteral("Cancel"), TButton::Look::Ghost, this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(DpI(63), DpI(132), DpI(90), DpI(37));
    OKButton = new TButton(QStringLiteral("OK"), TButton::Look::Primary, this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(DpI(177), DpI(132), DpI(120), DpI(37));

    FTimer.setInterval(kTypingDelayMs);
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &TFrame2::TypingTimerTimer);
    for (TNumberBox* b : FNumberBoxes) {
        connect(b, &TNumberBox::valueChanged, this, [this, b](double v) { SyncSizeBoxes(b, v); });
        connect(b, &TLineEdit::textEdited, this, [this, b] { FTypedBox = b; });
        connect(b, &TLineEdit::keyReleased, this, [this, b](int) {
            if (b != FTypedBox)
                return;
            FLastEditedBox = b;
            FTimer.start();
        });
    }
    connect(chkLockAspectRatio, &TSwitch::toggled, this, [this](bool on) {
        FBoxes.SetLock(on);
        ShowBoxes(nullptr);
    });
    connect(lockCaption, &TLabel::clicked, this, [this] {
        chkLockAspectRatio->setChecked(!chkLockAspectRatio->isChecked());
        Q_EMIT chkLockAspectRatio->toggled(chkLockAspectRatio->isChecked());
    });
    connect(CancelButton, &TButton::clicked, this, &TFrame2::CancelButtonClick);
    connect(OKButton, &TButton::clicked, this, &TFrame2::OKButtonClick);
}

void TFrame2::SetInitialSize(int AWidth, int AHeight)
{
    FBoxes.SetInitialSize(AWidth, AHeight);
    chkLockAspectRatio->setChecked(true, false);
    ShowBoxes(nullptr);
}

void TFrame2::ShowBoxes(const TNumberBox* except)
{
    FUpdating = true;
    for (int i = 0; i < 4; ++i)
        if (FNumberBoxes[size_t(i)] != except)
            FNumberBoxes[size_t(i)]->setValue(FBoxes.Value(TResizeBoxes::Box(i)));
    FUpdating = false;
}

TResizeBoxes::Box TFrame2::BoxOf(const TNumberBox* box) const
{
    for (int i = 0; i < 4; ++i)
        if (FNumberBoxes[size_t(i)] == box)
            return TResizeBoxes::Box(i);
    return TResizeBoxes::WidthPx;
}

void TFrame2::SyncSizeBoxes(TNumberBox* box, double value)
{
    if (FUpdating)
        return;
    const TResizeBoxes::Box which = BoxOf(box);
    FBoxes.Sync(which, value);
    // The edited box keeps what the user typed unless it had to be held in range.
    ShowBoxes(FBoxes.Value(which) == value ? box : nullptr);
}

void TFrame2::TypingTimerTimer()
{
    FTimer.stop();
    if (!FLastEditedBox || FLastEditedBox != FTypedBox)
        return;
    FTypedBox = nullptr;
    if (const auto typed = TNumberFormat::parse(FLastEditedBox->editText()))
        SyncSizeBoxes(FLastEditedBox, *typed);
}

void TFrame2::CommitEditedBox()
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        auto* box = qobject_cast<TNumberBox*>(w);
        if (!box)
            continue;
        if (box != FTypedBox)
            return;
        FTypedBox = nullptr;
        if (const auto typed = TNumberFormat::parse(box->editText())) {
            FUpdating = true;
            box->setValue(*typed);
            FUpdating = false;
            SyncSizeBoxes(box, *typed);
        }
        return;
    }
}

void TFrame2::FocusPercentBox()
{
    NumberBox3->setFocus(Qt::OtherFocusReason);
    QMetaObject::invokeMethod(
        NumberBox3, [box = NumberBox3] { box->editor()->selectAll(); }, Qt::QueuedConnection);
}

std::vector<QWidget*> TFrame2::TabStops()
{
    return {NumberBox1, NumberBox3, NumberBox2, NumberBox4, chkLockAspectRatio, CancelButton, OKButton};
}

bool TFrame2::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Return) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && (focus == CancelButton || CancelButton->isAncestorOf(focus))) {
            CancelButtonClick();
            return true;
        }
        CommitEditedBox();
        OKButtonClick();
        return true;
    }
    return TOverlayPanel::DialogKey(key, modifiers);
}

void TFrame2::OKButtonClick()
{
    FTimer.stop();
    if (FOnConfirm)
        FOnConfirm(FBoxes.NewWidth(), FBoxes.NewHeight());
}

void TFrame2::CancelButtonClick()
{
    FTimer.stop();
    if (FOnCancel)
        FOnCancel();
}

} // namespace pv

#include "overlays/AboutPanel.h"

#include "platform/widgets/FloatingPanel.h"
#include "shell/SplashArt.h"
#include "shell/UpdateCheck.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cmath>

namespace pv {

TAboutPanel::TAboutPanel(QWidget* parent) : TOverlayPanel(QSize(kSplashSize, kSplashSize), QPoint(0, 0), parent)
{
    setObjectName(QStringLiteral("AboutPanel"));
    // The picture itself is the box: a click anywhere closes it.
    CloseBtn()->hide();
    setCursor(Qt::PointingHandCursor);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        const QWidget* top = window();
        if (isVisible() && top && focus != top->windowHandle())
            CancelClick();
    });
}

TAboutPanel::~TAboutPanel()
{
    // The window's teardown moves the focus after this panel is half destroyed.
    disconnect(qApp, nullptr, this, nullptr);
}

void TAboutPanel::CancelClick()
{
    if (closing_)
        return;
    closing_ = true;
    if (OnClose)
        OnClose();
}

void TAboutPanel::paintEvent(QPaintEvent*)
{
    const double scale = width() / double(kSplashSize) * devicePixelRatioF();
    if (!art_ || std::abs(art_->scale() - scale) > 1e-6)
        art_ = std::make_unique<TSplashArt>(scale);
    QPainter p(this);
    p.scale(width() / double(kSplashSize), height() / double(kSplashSize));
    art_->Paint(p, SplashLookAt(kSplashRestSeconds), ProgramVersion());
}

void TAboutPanel::mousePressEvent(QMouseEvent* e) { e->accept(); }

void TAboutPanel::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    if (rect().contains(e->position().toPoint()))
        CancelClick();
}

} // namespace pv

#include "shell/WindowChrome.h"

#include "shell/InterfaceSize.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace pv {

QRect FrameHandleRect(TResizeRole role, QSize window, int edge, int grip)
{
    const int w = window.width(), h = window.height();
    switch (role) {
    case TResizeRole::Top: return {grip, 0, std::max(0, w - 2 * grip), edge};
    case TResizeRole::Bottom: return {grip, h - edge, std::max(0, w - 2 * grip), edge};
    case TResizeRole::Left: return {0, grip, edge, std::max(0, h - 2 * grip)};
    case TResizeRole::Right: return {w - edge, grip, edge, std::max(0, h - 2 * grip)};
    case TResizeRole::TopLeft: return {0, 0, grip, grip};
    case TResizeRole::TopRight: return {w - grip, 0, grip, grip};
    case TResizeRole::BottomLeft: return {0, h - grip, grip, grip};
    case TResizeRole::BottomRight: return {w - grip, h - grip, grip, grip};
    case TResizeRole::None: break;
    }
    return {};
}

TResizeRole HitTestFrame(QSize window, QPoint point, int edge, int grip)
{
    static constexpr TResizeRole kOrder[] = {TResizeRole::TopLeft, TResizeRole::TopRight, TResizeRole::BottomLeft,
                                             TResizeRole::BottomRight, TResizeRole::Top, TResizeRole::Bottom,
                                             TResizeRole::Left, TResizeRole::Right};
    for (TResizeRole role : kOrder)
        if (FrameHandleRect(role, window, edge, grip).contains(point))
            return role;
    return TResizeRole::None;
}

Qt::Edges EdgesOf(TResizeRole role)
{
    switch (role) {
    case TResizeRole::Top: return Qt::TopEdge;
    case TResizeRole::Bottom: return Qt::BottomEdge;
    case TResizeRole::Left: return Qt::LeftEdge;
    case TResizeRole::Right: return Qt::RightEdge;
    case TResizeRole::TopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case TResizeRole::TopRight: return Qt::TopEdge | Qt::RightEdge;
    case TResizeRole::BottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case TResizeRole::BottomRight: return Qt::BottomEdge | Qt::RightEdge;
    case TResizeRole::None: break;
    }
    return {};
}

Qt::CursorShape CursorOf(TResizeRole role)
{
    switch (role) {
    case TResizeRole::Top:
    case TResizeRole::Bottom: return Qt::SizeVerCursor;
    case TResizeRole::Left:
    case TResizeRole::Right: return Qt::SizeHorCursor;
    case TResizeRole::TopLeft:
    case TResizeRole::BottomRight: return Qt::SizeFDiagCursor;
    case TResizeRole::TopRight:
    case TResizeRole::BottomLeft: return Qt::SizeBDiagCursor;
    case TResizeRole::None: break;
    }
    return Qt::ArrowCursor;
}

QRect ResizeTargetRect(TResizeRole role, const QRect& start, QPoint delta, QSize minimum)
{
    // Sides as coordinates: right and bottom lie just outside the window.
    int left = start.left(), top = start.top();
    int right = start.left() + start.width(), bottom = start.top() + start.height();
    const Qt::Edges edges = EdgesOf(role);
    if (edges & Qt::LeftEdge)
        left = std::min(start.left() + delta.x(), right - minimum.width());
    if (edges & Qt::RightEdge)
        right = std::max(right + delta.x(), left + minimum.width());
    if (edges & Qt::TopEdge)
        top = std::min(start.top() + delta.y(), bottom - minimum.height());
    if (edges & Qt::BottomEdge)
        bottom = std::max(bottom + delta.y(), top + minimum.height());
    return {left, top, right - left, bottom - top};
}

QRect RestoreGeometry(const QRect& remembered, const QRect& work)
{
    if (remembered.width() > 100 && remembered.height() > 100)
        return remembered;
    return work.adjusted(50, 50, -50, -50);
}

QRect StartupRestoreRect(const QRect& work, QSize minimum)
{
    double w = 0.9 * work.width(), h = 0.9 * work.height();
    w = std::min(std::max(w, double(minimum.width())), double(work.width()));
    h = std::min(std::max(h, double(minimum.height())), double(work.height()));
    const int left = int(std::lround(work.left() + (work.width() - w) / 2));
    const int top = int(std::lround(work.top() + (work.height() - h) / 2));
    return {left, top, int(std::lround(w)), int(std::lround(h))};
}

QRect FitWindowToWorkArea(const QRect& window, const QRect& work)
{
    if (work.isEmpty() || (window.width() <= work.width() && window.height() <= work.height()))
        return window;
    const int w = int(std::lround(0.98 * work.width())), h = int(std::lround(0.98 * work.height()));
    return {int(std::lround(work.left() + (work.width() - w) / 2.0)),
            int(std::lround(work.top() + (work.height() - h) / 2.0)), w, h};
}

void ApplyMinimumSizeForWorkArea(QWidget* window)
{
    const QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (s && !s->availableGeometry().isEmpty())
        window->setMinimumSize(MinimumWindowSize(s->availableGeometry().size()));
}

// ------------------------------------------------------------------ handles

// An edge strip or corner grip: invisible, with the cursor of its role; its
// mouse goes to the chrome.
class TResizeHandle : public QWidget {
public:
    TResizeHandle(TWindowChrome* chrome, TResizeRole role, QWidget* window)
        : QWidget(window), chrome_(chrome), role_(role)
    {
        static const char* const kNames[] = {"", "TopRect", "BottomRect", "LeftRect", "RightRect",
                                             "FCornerTL", "FCornerTR", "FCornerBL", "FCornerBR"};
        setObjectName(QString::fromLatin1(kNames[int(role)]));
        setCursor(CursorOf(role));
        setAttribute(Qt::WA_NoSystemBackground);
        setProperty("pvChromeHandle", true);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        e->accept();
        if (e->button() == Qt::LeftButton)
            chrome_->HandlePress(role_, e->globalPosition().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        e->accept();
        chrome_->HandleMove(e->globalPosition().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        e->accept();
        if (e->button() == Qt::LeftButton)
            chrome_->HandleRelease(e->globalPosition().toPoint());
    }

private:
    TWindowChrome* chrome_;
    TResizeRole role_;
};

// ------------------------------------------------------------------ chrome

TWindowChrome::TWindowChrome(QWidget* window) : QObject(window), window_(window)
{
    window_->setWindowFlag(Qt::FramelessWindowHint, true);
    StartSystemMove = [this] {
        QWindow* w = window_->windowHandle();
        return w && w->startSystemMove();
    };
    StartSystemResize = [this](Qt::Edges edges) {
        QWindow* w = window_->windowHandle();
        return w && w->startSystemResize(edges);
    };
    for (int i = 0; i < 8; ++i)
        handles_[i] = new TResizeHandle(this, TResizeRole(i + 1), window_);
    moveTimer_.setSingleShot(true);
    moveTimer_.setInterval(200);
    connect(&moveTimer_, &QTimer::timeout, this, &TWindowChrome::BeginMove);
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(500);
    connect(&settleTimer_, &QTimer::timeout, this, &TWindowChrome::GeometrySettled);
    pressPoll_.setInterval(200);
    connect(&pressPoll_, &QTimer::timeout, this, &TWindowChrome::PollPressed);
    window_->installEventFilter(this);
    LayoutHandles();
}

TWindowChrome::~TWindowChrome() = default;

QWidget* TWindowChrome::Handle(TResizeRole role) const
{
    return role == TResizeRole::None ? nullptr : handles_[int(role) - 1];
}

void TWindowChrome::SetDragStrip(QWidget* strip)
{
    strip_ = strip;
    strip->installEventFilter(this);
}

void TWindowChrome::SetDragSurface(QWidget* surface)
{
    surface_ = surface;
    surface->installEventFilter(this);
}

QRect TWindowChrome::WorkArea() const
{
    const QScreen* s = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect();
}

void TWindowChrome::UpdateMinConstraintsForWorkArea() { ApplyMinimumSizeForWorkArea(window_); }

void TWindowChrome::LayoutHandles()
{
    const QSize size = window_->size();
    for (int i = 0; i < 8; ++i) {
        QWidget* h = handles_[i];
        h->setGeometry(FrameHandleRect(TResizeRole(i + 1), size));
        // A maximised window is not resized by its edges (nor one the
        // window manager maximised or made full screen).
        h->setVisible(!maximized_ && !(window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)));
        h->raise();
    }
}

void TWindowChrome::MaxButtonClick()
{
    moveTimer_.stop();
    pressHeld_ = false;
    if (maximized_) {
        maximized_ = false;
        applying_ = true;
        window_->setGeometry(RestoreGeometry(restoreBounds_, WorkArea()));
        applying_ = false;
        LayoutHandles();
        Q_EMIT maximizedChanged(false);
        return;
    }
    restoreBounds_ = window_->geometry();
    maximized_ = true;
    MaximizeToWorkArea();
    Q_EMIT maximizedChanged(true);
}

void TWindowChrome::MaximizeToWorkArea()
{
    const QRect work = WorkArea();
    if (work.isEmpty())
        return;
    applying_ = true;
    if (window_->geometry() != work)
        window_->setGeometry(work);
    applying_ = false;
    LayoutHandles();
}

void TWindowChrome::MinButtonClick() { window_->showMinimized(); }

void TWindowChrome::BeginMove()
{
    if (!pressHeld_)
        return;
    moving_ = true;
    if (StartSystemMove && StartSystemMove()) {
        // The window manager moves the window until the button is let go; it
        // keeps the release to itself.
        pressHeld_ = false;
        moving_ = false;
        ownMove_ = false;
        return;
    }
    ownMove_ = true;
    moveStartCursor_ = lastGlobal_;
    moveStartPos_ = window_->pos();
}

void TWindowChrome::EndMove()
{
    const bool wasMoving = moving_;
    moving_ = false;
    ownMove_ = false;
    pressHeld_ = false;
    moveTimer_.stop();
    SetPressed(false);
    // A maximised window stays maximised: dragged away, it goes back onto
    // the work area of the screen it now lies on.
    if (wasMoving && maximized_)
        MaximizeToWorkArea();
}

void TWindowChrome::HandlePress(TResizeRole role, QPoint global)
{
    if (maximized_)
        return;
    SetPressed(true);
    if (StartSystemResize && StartSystemResize(EdgesOf(role)))
        return;
    resizeRole_ = role;
    resizeStartPoint_ = global;
    resizeStartBounds_ = window_->geometry();
}

void TWindowChrome::HandleMove(QPoint global)
{
    if (resizeRole_ == TResizeRole::None)
        return;
    window_->setGeometry(
        ResizeTargetRect(resizeRole_, resizeStartBounds_, global - resizeStartPoint_, window_->minimumSize()));
}

void TWindowChrome::HandleRelease(QPoint global)
{
    if (resizeRole_ == TResizeRole::None)
        return;
    HandleMove(global);
    resizeRole_ = TResizeRole::None;
    SetPressed(false);
    LayoutHandles();
}

void TWindowChrome::SetPressed(bool pressed)
{
    if (pressed)
        pressPoll_.start();
    else
        pressPoll_.stop();
    if (pressed_ == pressed)
        return;
    pressed_ = pressed;
    Q_EMIT pressedChanged(pressed);
}

void TWindowChrome::PollPressed()
{
    if (pressHeld_ || ownMove_ || resizeRole_ != TResizeRole::None ||
        QGuiApplication::mouseButtons() != Qt::NoButton)
        return;
    SetPressed(false);
}

bool TWindowChrome::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Resize: LayoutHandles(); break;
        case QEvent::Show:
            if (!watching_ && window_->windowHandle()) {
                watching_ = true;
                QWindow* w = window_->windowHandle();
                connect(w, &QWindow::screenChanged, this, &TWindowChrome::ScreenChanged);
                connect(w, &QWindow::windowStateChanged, this, &TWindowChrome::LayoutHandles);
                const auto changed = [this] {
                    if (maximized_ && !applying_)
                        settleTimer_.start();
                };
                connect(w, &QWindow::xChanged, this, changed);
                connect(w, &QWindow::yChanged, this, changed);
                connect(w, &QWindow::widthChanged, this, changed);
                connect(w, &QWindow::heightChanged, this, changed);
                WatchScreen(w->screen());
            }
            break;
        default: break;
        }
        return false;
    }
    if (watched != strip_ && watched != surface_)
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        // The body moves the window only from its bare background.
        if (watched == surface_ && widget->childAt(e->position().toPoint()))
            return false;
        lastGlobal_ = e->globalPosition().toPoint();
        // The strip shows the press with the left button, the body with any.
        if (e->button() == Qt::LeftButton || watched == surface_)
            SetPressed(true);
        if (e->button() == Qt::LeftButton) {
            moving_ = false;
            ownMove_ = false;
            pressHeld_ = true;
            moveTimer_.start();
        }
        e->accept();
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        lastGlobal_ = e->globalPosition().toPoint();
        if (ownMove_) {
            window_->move(moveStartPos_ + (lastGlobal_ - moveStartCursor_));
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || !(pressHeld_ || moving_)) {
            if (pressed_ && !pressHeld_ && !moving_)
                SetPressed(false);
            return false;
        }
        lastGlobal_ = e->globalPosition().toPoint();
        if (ownMove_)
            window_->move(moveStartPos_ + (lastGlobal_ - moveStartCursor_));
        EndMove();
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (watched != strip_ || e->button() != Qt::LeftButton)
            return false;
        MaxButtonClick();
        e->accept();
        return true;
    }
    default: break;
    }
    return false;
}

void TWindowChrome::WatchScreen(QScreen* screen)
{
    if (screen_)
        disconnect(screen_, nullptr, this, nullptr);
    screen_ = screen;
    if (!screen)
        return;
    connect(screen, &QScreen::availableGeometryChanged, this, &TWindowChrome::WorkAreaChanged);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &TWindowChrome::relayoutNeeded);
}

void TWindowChrome::ScreenChanged(QScreen* screen)
{
    WatchScreen(screen);
    UpdateMinConstraintsForWorkArea();
    if (maximized_) {
        MaximizeToWorkArea();
    } else {
        const QRect fitted = FitWindowToWorkArea(window_->geometry(), WorkArea());
        if (fitted != window_->geometry())
            window_->setGeometry(fitted);
    }
    Q_EMIT relayoutNeeded();
}

void TWindowChrome::WorkAreaChanged()
{
    UpdateMinConstraintsForWorkArea();
    if (maximized_)
        MaximizeToWorkArea();
    Q_EMIT relayoutNeeded();
}

void TWindowChrome::GeometrySettled()
{
    if (!maximized_ || moving_ || resizeRole_ != TResizeRole::None)
        return;
    // Still held: the window manager is still moving the window.
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
        settleTimer_.start();
        return;
    }
    if (window_->geometry() != WorkArea())
        MaximizeToWorkArea();
}

} // namespace pv

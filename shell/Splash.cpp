#include "shell/Splash.h"

#include "platform/widgets/Control.h"
#include "shell/UpdateCheck.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace pv {

void RegisterInterFont()
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/Inter-Regular.ttf");
    if (!QFileInfo::exists(path))
        return;
    if (QFontDatabase::addApplicationFont(path) < 0)
        QMessageBox::warning(nullptr, QStringLiteral("Pelandrovium"),
                             QStringLiteral("Failed to register font: ") +
                                 QStringLiteral("%1 is not a font file that can be read").arg(path));
}

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(DpI(kSplashSize), DpI(kSplashSize));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect work = screen->availableGeometry();
        move(work.left() + (work.width() - width()) / 2, work.top() + (work.height() - height()) / 2);
    }
    Clock = [this] { return shown_.isValid() ? shown_.elapsed() / 1000.0 : 0.0; };
    Timer1.setSingleShot(true);
    Timer1.setInterval(kSplashHandOverMs);
    connect(&Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    // About 30 frames a second while the picture changes.
    frames_.setInterval(33);
    connect(&frames_, &QTimer::timeout, this, [this] {
        if (Clock() > kSplashHandOverMs / 1000.0 || !isVisible())
            frames_.stop();
        update();
    });
}

TForm2::~TForm2() = default;

const TSplashArt& TForm2::Art()
{
    const double scale = (width() / double(kSplashSize)) * devicePixelRatioF();
    if (!art_ || std::abs(art_->scale() - scale) > 1e-6)
        art_ = std::make_unique<TSplashArt>(scale);
    return *art_;
}

void TForm2::Timer1Timer()
{
    Timer1.stop();
    FIsInitialSplash = false;
    // Until the main window is bound the hand-over waits for it.
    handOverDue_ = !OnHandOver;
    if (OnHandOver)
        OnHandOver();
    hide();
}

void TForm2::BindHandOver(std::function<void()> handOver)
{
    OnHandOver = std::move(handOver);
    if (handOverDue_ && OnHandOver) {
        handOverDue_ = false;
        OnHandOver();
    }
}

void TForm2::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!shown_.isValid()) {
        shown_.start();
        Timer1.start();
    }
    frames_.start();
    // Window managers do not focus a splash by themselves; Esc needs the focus.
    activateWindow();
}

void TForm2::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.scale(width() / double(kSplashSize), height() / double(kSplashSize));
    Art().Paint(p, SplashLookAt(Clock()), ProgramVersion());
}

QImage TForm2::Grab()
{
    QImage img(size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(width() / double(kSplashSize), height() / double(kSplashSize));
    Art().Paint(p, SplashLookAt(Clock()), ProgramVersion());
    return img;
}

void TForm2::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    hide();
}

void TForm2::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        hide();
        return;
    }
    e->ignore();
}

void TForm2::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    // Losing the focus hides the splash (it had to have it first).
    if (isActiveWindow())
        wasActive_ = true;
    else if (wasActive_ && !FIsInitialSplash && isVisible())
        hide();
}

} // namespace pv

#include "app/ssplashscreen.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>

SSplashScreen::SSplashScreen(QWidget* parent, const QPixmap& pixmap, const QString& text, bool persistent)
    : QSplashScreen(pixmap), m_persistent(persistent)
{
    // Qt 6 has no parent constructor; keep the window flags of a splash screen.
    if (parent)
        setParent(parent, windowFlags());
    setAttribute(Qt::WA_DeleteOnClose);
    installEventFilter(this);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(158, 230, 0, 15);
    m_layout->setAlignment(Qt::AlignLeft);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("SSplashScreenLabelText"));
    m_label->setTextFormat(Qt::RichText);
    m_label->setText(text);
    m_layout->addWidget(m_label);
    connect(m_label, &QLabel::linkActivated, this, &SSplashScreen::onLinkActivated);
}

void SSplashScreen::onLinkActivated(QString url)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

bool SSplashScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        if (m_persistent)
            return true;
        // Let links in the label be clicked; any other click closes the About box.
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (m_label->geometry().contains(pos))
            return true;
    }
    return QSplashScreen::eventFilter(watched, event);
}

#pragma once

#include <QSplashScreen>

class QLabel;
class QVBoxLayout;

// Start-up splash ("Loading...") and the About box: the splash image with a rich-text label.
class SSplashScreen : public QSplashScreen
{
    Q_OBJECT
public:
    SSplashScreen(QWidget* parent, const QPixmap& pixmap, const QString& text, bool persistent);

    bool isPersistent() const { return m_persistent; }
    QLabel* label() const { return m_label; }

public Q_SLOTS:
    void onLinkActivated(QString url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVBoxLayout* m_layout = nullptr;
    QLabel* m_label = nullptr;
    bool m_persistent = false;
};

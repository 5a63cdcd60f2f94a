#include "views/sprogressdialog.h"

#include "core/sglobals.h"
#include "core/slog.h"
#include "device/sdevicemanagerthread.h"
#include "device/sevent.h"
#include "views/stextedit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
enum class Indicator
{
    Bar,
    Busy
};

struct Presentation
{
    const char* title;
    const char* text;
    Indicator indicator;
};

// Title, first line and indicator of each operation.
Presentation presentationFor(unsigned int code)
{
    switch (code) {
    case SEvent::E_COPY_LOOPLIST_TO_DEVICE:
    case SEvent::E_COPY_LOOPS_TO_DEVICE:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Copying to device"),
                QT_TRANSLATE_NOOP("SProgressDialog", "Copying to device..."), Indicator::Bar};
    case SEvent::E_UPDATE_LOOP:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Copying to device"),
                QT_TRANSLATE_NOOP("SProgressDialog", "Updating loop..."), Indicator::Busy};
    case SEvent::E_READ_LOOP:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Reading loop from device"),
                QT_TRANSLATE_NOOP("SProgressDialog", "Reading loop from device..."), Indicator::Bar};
    case SEvent::E_CREATE_LOOPLIST:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Creating LoopList"),
                QT_TRANSLATE_NOOP("SProgressDialog", "Creating LoopList..."), Indicator::Busy};
    case SEvent::E_CONNECT:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Connecting to device"),
                QT_TRANSLATE_NOOP("SProgressDialog", "Connecting to device..."), Indicator::Busy};
    case SEvent::E_SYNCHRONIZE:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Synchronize"),
                QT_TRANSLATE_NOOP("SProgressDialog", "Synchronizing..."), Indicator::Busy};
    case SEvent::E_MULTIPLY:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Multiplying"),
                QT_TRANSLATE_NOOP("SProgressDialog", "Multiplying loop..."), Indicator::Bar};
    case SEvent::E_UPDATE_FIRMWARE:
        return {QT_TRANSLATE_NOOP("SProgressDialog", "Updating Firmware"), "", Indicator::Bar};
    default:
        return {"", "", Indicator::Bar};
    }
}
QWidget* mainWindow()
{
    return qobject_cast<QWidget*>(SGlobals::mainWindow());
}
} // namespace

SProgressDialog::SProgressDialog(unsigned int code, void* payload, QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_code(code)
{
    setFixedSize(400, 150);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    m_mainLayout = new QVBoxLayout(this);
    m_text = new STextEdit;
    m_progressBar = new QProgressBar(this);

    const Presentation look = presentationFor(code);
    setWindowTitle(tr(look.title));
    m_text->setText(*look.text ? tr(look.text) : QString());
    if (look.indicator == Indicator::Busy) {
        m_busyLabel = new QLabel(this);
        m_movie = new QMovie(QStringLiteral(":/images/progress.gif"), QByteArray(), this);
        m_movie->setCacheMode(QMovie::CacheAll);
        m_busyLabel->setFixedSize(32, 32);
        m_movie->setScaledSize(m_busyLabel->size());
        m_busyLabel->setAlignment(Qt::AlignCenter);
    }
    if (code == SEvent::E_READ_LOOP)
        m_cancelButton = new QPushButton(tr("Cancel"), this);

    m_worker = SDeviceManagerThread::instance();
    connect(m_worker, qOverload<void*>(&SDeviceManagerThread::operationFinished), this,
            qOverload<void*>(&SProgressDialog::onOperationFinished), Qt::QueuedConnection);
    connect(m_worker, qOverload<int>(&SDeviceManagerThread::operationFinished), this,
            qOverload<int>(&SProgressDialog::onOperationFinished), Qt::QueuedConnection);
    connect(m_worker, qOverload<bool>(&SDeviceManagerThread::operationFinished), this,
            qOverload<bool>(&SProgressDialog::onOperationFinished), Qt::QueuedConnection);
    connect(m_worker, qOverload<bool, QString>(&SDeviceManagerThread::operationFinished), this,
            qOverload<bool, QString>(&SProgressDialog::onOperationFinished), Qt::QueuedConnection);
    connect(m_worker, &SDeviceManagerThread::progress, this, qOverload<int, QString>(&SProgressDialog::onProgress),
            Qt::QueuedConnection);
    connect(this, &SProgressDialog::emitProgress, this, qOverload<int, QString>(&SProgressDialog::onProgress),
            Qt::QueuedConnection);
    connect(this, &SProgressDialog::emitFinished, this, qOverload<bool>(&SProgressDialog::onProgress),
            Qt::QueuedConnection);
    // A pedal that goes away ends the operation as failed.
    connect(m_worker, &SDeviceManagerThread::deviceRemoved, this, &SProgressDialog::onDeviceRemoved,
            Qt::QueuedConnection);

    QCoreApplication::postEvent(m_worker, new SEvent(static_cast<int>(code), payload));
}

SProgressDialog::~SProgressDialog()
{
    SGlobals::continueOperation() = true;
}

int SProgressDialog::execProgress()
{
    const int fixedWidth = static_cast<int>(0.95 * width());
    m_text->setFixedWidth(fixedWidth);
    m_progressBar->setFixedWidth(fixedWidth);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addWidget(m_progressBar);

    m_mainLayout->setContentsMargins(5, 5, 5, 5);
    m_mainLayout->setSpacing(10);
    m_mainLayout->addItem(new QSpacerItem(width(), height(), QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_text->setAlignment(Qt::AlignCenter);
    m_mainLayout->addWidget(m_text, 0, Qt::AlignHCenter | Qt::AlignTop | Qt::AlignVCenter);
    if (m_busyLabel) {
        row->addWidget(m_busyLabel);
        m_progressBar->hide();
        if (m_movie->isValid()) {
            m_busyLabel->setMovie(m_movie);
            m_movie->start();
        } else {
            m_busyLabel->hide();
        }
    }
    m_mainLayout->addLayout(row);
    m_mainLayout->addItem(new QSpacerItem(width(), height(), QSizePolicy::Expanding, QSizePolicy::Minimum));
    if (m_cancelButton) {
        m_mainLayout->addWidget(m_cancelButton, 0, Qt::AlignHCenter);
        connect(m_cancelButton, &QPushButton::clicked, this, &SProgressDialog::onCancelClicked);
        m_cancelButton->setEnabled(true);
    }

    const int code = m_finished ? result() : exec();
    if (QWidget* window = mainWindow())
        window->setEnabled(true);
    return code;
}

void SProgressDialog::finish(int code)
{
    m_finished = true;
    done(code);
}

void SProgressDialog::onOperationFinished(void* pData)
{
    pointerResult = pData;
    finish(0);
}

void SProgressDialog::onOperationFinished(int iData)
{
    m_intResult = iData;
    finish(0);
}

void SProgressDialog::onOperationFinished(bool bData)
{
    m_boolResult = bData;
    finish(0);
}

void SProgressDialog::onOperationFinished(bool bData, QString text)
{
    m_boolResult = bData;
    if (!text.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, tr("Operation failed."), text, QMessageBox::Ok,
                        mainWindow(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
        box.exec();
    }
    finish(0);
}

void SProgressDialog::onProgress(int iPercentage, QString text)
{
    m_progressBar->setValue(iPercentage);
    if (!text.isEmpty())
        m_text->setText(text);
}

void SProgressDialog::onProgress(bool finished)
{
    Q_UNUSED(finished);
    finish(1);
}

void SProgressDialog::onDeviceRemoved()
{
    onOperationFinished(false);
}

void SProgressDialog::onCancelClicked()
{
    SGlobals::continueOperation() = false;
}

void SProgressDialog::closeEvent(QCloseEvent* event)
{
    // The operation runs inside this dialog's loop: it closes when the operation ends.
    if (!m_finished) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void SProgressDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !m_finished) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

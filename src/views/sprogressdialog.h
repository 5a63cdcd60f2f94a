#pragma once

#include <QDialog>
#include <QString>

class QHBoxLayout;
class QLabel;
class QMovie;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class SDeviceManagerThread;
class STextEdit;

// Modal dialog behind every device operation: posts the operation to the device
// worker, shows its progress and hands its result back to the caller:
//     SProgressDialog dialog(SEvent::E_READ_LOOP, &paths, this);
//     dialog.execProgress();
//     const int result = dialog.intResult();
class SProgressDialog : public QDialog
{
    Q_OBJECT
public:
    SProgressDialog(unsigned int code, void* payload, QWidget* parent = nullptr,
                    Qt::WindowFlags flags = Qt::WindowFlags());
    ~SProgressDialog() override;

    int execProgress();
    int intResult() const { return m_intResult; }
    bool boolResult() const { return m_boolResult; }

    unsigned int code() const { return m_code; }
    QProgressBar* progressBar() const { return m_progressBar; }
    STextEdit* textEdit() const { return m_text; }
    QLabel* busyLabel() const { return m_busyLabel; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    void* pointerResult = nullptr;

Q_SIGNALS:
    void emitProgress(int percentage, QString text);
    void emitFinished(bool finished);

public Q_SLOTS:
    void onOperationFinished(void* pData);
    void onOperationFinished(int iData);
    void onOperationFinished(bool bData);
    void onOperationFinished(bool bData, QString text);
    void onProgress(int iPercentage, QString text);
    void onProgress(bool finished);
    void onDeviceRemoved();
    void onCancelClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish(int code);

    SDeviceManagerThread* m_worker = nullptr;
    QVBoxLayout* m_mainLayout = nullptr;
    STextEdit* m_text = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_busyLabel = nullptr;
    QMovie* m_movie = nullptr;
    QPushButton* m_cancelButton = nullptr;
    // Results start as failure: an operation that ends without delivering its
    // result (pedal removed, dialog closed otherwise) is reported as failed.
    int m_intResult = -1;
    bool m_boolResult = false;
    unsigned int m_code = 0;
    bool m_finished = false;
};

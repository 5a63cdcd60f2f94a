#pragma once

#include "device/ambermeshstatussink.h"

#include <QStringList>

// Collects the log lines and the status texts of the link while it lives.
class LogCapture : public AmbermeshStatusSink
{
public:
    LogCapture();
    ~LogCapture() override;

    void statusText(const QString& text) override;

    QStringList lines() const;
    QStringList statusTexts() const { return m_status; }
    bool logged(const QString& fragment) const;
    bool reported(const QString& fragment) const;
    void clear();

private:
    QStringList m_status;
};

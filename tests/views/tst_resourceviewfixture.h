#pragma once

// Shared by the resource view and device node tests: the main window with its
// docks, answers for message boxes, and small library and audio helpers.

#include "app/smainwindow.h"
#include "library/sdatabasemanager.h"
#include "views/sresourceview.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

// Answers every message box that shows while it lives, in order, and keeps their texts.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QList<QMessageBox::StandardButton> answers = {},
                         QMessageBox::StandardButton fallback = QMessageBox::Yes)
        : m_answers(std::move(answers)), m_fallback(fallback)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start();
    }

    QStringList texts;

private:
    void answer()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        texts << box->text();
        const QMessageBox::StandardButton wanted = m_answers.isEmpty() ? m_fallback : m_answers.takeFirst();
        QAbstractButton* button = box->button(wanted);
        if (!button)
            button = box->defaultButton() ? static_cast<QAbstractButton*>(box->defaultButton())
                                          : box->buttons().value(0);
        if (button)
            button->click();
    }

    QList<QMessageBox::StandardButton> m_answers;
    QMessageBox::StandardButton m_fallback;
    QTimer m_timer;
};

namespace ResourceFixture {

// A main window with its docks, as at start-up; shown so that docks count as visible.
inline SMainWindow* startWindow()
{
    auto* window = new SMainWindow;
    window->initialize();
    if (!QTest::qWaitFor([window] { return window->isVisible(); }, 5000))
        qWarning("the main window did not show");
    return window;
}

inline void closeWindow(QPointer<SMainWindow>& window)
{
    if (!window)
        return;
    window->close();
    delete window.data();
}

inline QVariant scalar(const QString& sql)
{
    QSqlQuery query(SDatabaseManager::database());
    if (!query.exec(sql) || !query.next())
        return QVariant();
    return query.value(0);
}

inline int count(const QString& where)
{
    return scalar(QStringLiteral("SELECT count(*) FROM loops WHERE ") + where).toInt();
}

inline QList<QSqlRecord> rows(const QString& sql)
{
    QList<QSqlRecord> result;
    QSqlQuery query(SDatabaseManager::database());
    if (query.exec(sql)) {
        while (query.next())
            result << query.record();
    }
    return result;
}

// A canonical 16-bit 44100 Hz WAV of the given channels and frames (silence and a ramp).
inline bool writeWav(const QString& path, int channels, int frames)
{
    QByteArray data(qsizetype(frames) * channels * 2, '\0');
    for (int i = 0; i < frames * channels; ++i)
        qToLittleEndian<qint16>(qint16((i * 37) % 2000 - 1000), data.data() + i * 2);
    QByteArray header(44, '\0');
    char* h = header.data();
    memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(quint32(36 + data.size()), h + 4);
    memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(1, h + 20);
    qToLittleEndian<quint16>(quint16(channels), h + 22);
    qToLittleEndian<quint32>(44100, h + 24);
    qToLittleEndian<quint32>(quint32(44100 * channels * 2), h + 28);
    qToLittleEndian<quint16>(quint16(channels * 2), h + 32);
    qToLittleEndian<quint16>(16, h + 34);
    memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(quint32(data.size()), h + 40);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header + data) == header.size() + data.size();
}

// Makes a LoopList through the resource view (200 empty slots) and leaves rename mode.
inline SLoopList* addLoopList(const QString& name)
{
    SResourceView* view = SResourceView::instance();
    const int before = view->loopLists().size();
    view->onClickedAddLoopList();
    if (view->loopLists().size() != before + 1)
        return nullptr;
    SLoopList* list = view->currentLoopList();
    list->lineEdit()->setText(name);
    list->onReturnPressed();
    return list;
}

// Fills one LoopList slot with a loop.
inline bool fillSlot(int loopListId, int slot, const QString& name, const QString& file)
{
    return SDatabaseManager::execute(
        QStringLiteral("UPDATE loops SET isvalid='true', Name=%1, filepath=%2, Length='00:01.000', Rating=3, "
                       "Genre='Rock', Artist='Ann', StopMode='FadeOut', RhythmType='OFF-Silent', bpMeasure=4, "
                       "bpMinute=120, isReversed='false', isLoop='true', settingsVersion=1, audioVersion=1 "
                       "WHERE looplistid=%3 AND \"Loop #\"=%4")
            .arg(SDatabaseManager::quote(name), SDatabaseManager::quote(file))
            .arg(loopListId)
            .arg(slot));
}

} // namespace ResourceFixture

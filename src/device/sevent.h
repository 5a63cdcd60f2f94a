#pragma once

#include <QEvent>

// A device operation posted to the device worker: its kind is the event type,
// the payload belongs to whoever posted it.
class SEvent : public QEvent
{
public:
    enum E_OPERATION : int
    {
        E_COPY_LOOPLIST_TO_DEVICE = QEvent::User + 1, // 1001
        E_COPY_LOOPS_TO_DEVICE = QEvent::User + 2,    // 1002
        E_UPDATE_LOOP = QEvent::User + 3,             // 1003
        E_READ_LOOP = QEvent::User + 4,               // 1004
        E_CREATE_LOOPLIST = QEvent::User + 5,         // 1005
        E_CONNECT = QEvent::User + 6,                 // 1006
        E_SYNCHRONIZE = QEvent::User + 7,             // 1007
        E_MULTIPLY = QEvent::User + 8,                // 1008
        E_UNUSED_1009 = QEvent::User + 9,             // 1009, never posted
        E_UPDATE_FIRMWARE = QEvent::User + 10,        // 1010, posted only so the dialog shows
        E_POLL_DEVICE = QEvent::User + 11,            // 1011
    };

    SEvent(int kind, void* payload = nullptr);

    void* payload() const { return m_payload; }

private:
    void* m_payload;
};

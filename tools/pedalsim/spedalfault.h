#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One way for the virtual pedal to misbehave. The fault takes effect after
// `after` requests were answered normally; `arg` is the mode's own figure.
struct SPedalFault
{
    enum E_MODE
    {
        E_NONE,
        E_DELAY,             // arg: milliseconds before every answer
        E_NO_ANSWER,         // requests are read and never answered
        E_DROP_AFTER_MESSAGES, // arg: answers given before the link goes silent for good
        E_DROP_AFTER_BYTES,  // arg: answer bytes sent before the link goes silent, mid-message
        E_CHUNKED,           // arg: largest chunk; answers trickle out in random small pieces
        E_ASYNC_BEFORE,      // arg: asynchronous messages sent before every answer (at least 1)
        E_WRONG_SERIAL,      // answers carry the next serial number
        E_CORRUPT_BYTE,      // arg: index (mod 10) of the header or serial byte inverted in every answer
        E_ZERO_READS,        // file reads answer with no data
        E_FAIL_PATHS,        // pattern: requests on matching device paths answer Failure
        E_VANISH,            // arg: file blocks answered before the pty is closed
    };

    E_MODE mode = E_NONE;
    int arg = 0;
    int after = 0;
    QString pattern; // wildcard, for E_FAIL_PATHS
    quint32 seed = 1;

    static QList<E_MODE> modes();
    static QString name(E_MODE mode);
    // -1 when the name is not one of name()'s.
    static int fromName(const QString& name);
};

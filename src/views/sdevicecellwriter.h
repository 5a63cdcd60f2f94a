#pragma once

class QSqlRecord;

// Rewrites the patch document of a pedal slot from an edited device row of the
// loop table (name, rating and the descriptive texts all live there).
class SDeviceCellWriter
{
public:
    // True when the pedal took the new document.
    static bool write(const QSqlRecord& editedRow);
};

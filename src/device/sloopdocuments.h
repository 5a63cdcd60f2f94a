#pragma once

#include "device/stdevicedata.h"

#include <QString>

// The two small XML documents of a pedal slot: the patch document (name, rhythm
// guide, stop mode, identifiers, metadata) and the phrase document (tempo, meter,
// playback flags), plus the conversions between the pedal's words and the texts
// the application shows and stores.
class SLoopDocuments
{
public:
    static const QString patchNamespace;  // <schema host>/Ostino/Patch
    static const QString phraseNamespace; // <schema host>/Ostino/Phrase
    // Documents larger than this are not the pedal's and are not parsed.
    static constexpr qint64 maxDocumentSize = 256 * 1024;

    // Write folder/patch.xml or folder/phrase.xml; true when the whole file was written.
    static bool writePatchDocument(const stDeviceData& device, const stLoop& loop, const QString& folder);
    static bool writePhraseDocument(const stDeviceData& device, const stLoop& loop, const QString& folder);
    // The document texts themselves.
    static QByteArray patchDocument(const stDeviceData& device, const stLoop& loop);
    static QByteArray phraseDocument(const stLoop& loop);

    // Fill the patch (phrase) fields of loop. An unreadable, oversized, non-UTF-8 or
    // malformed document, or one with the wrong root, leaves loop unchanged.
    // For the patch document the loop number must already be set.
    static void readPatchDocument(const QString& path, stLoop& loop);
    static void readPhraseDocument(const QString& path, stLoop& loop);

    // "Silence" -> "OFF-Silent", "Click" -> "3-Click"; unknown words -> "OFF-Silent".
    static QString rhythmDisplayText(const QString& deviceWord);
    // "3-Click" -> "Click", "" / "OFF-Silent" -> "Silence"; a number above 9 stays as it is.
    static QString rhythmDeviceWord(const QString& text);
    // "Fade…" -> "FadeOut", "Finish…" -> "StopAtEndOfLoop", "Instant…"/"Stop…" -> "StopInstantly".
    static QString stopDeviceWord(const QString& text);
    // Two-digit slot form: 7 -> "07", 12 -> "12", 100 -> "100".
    static QString slotNumberText(quint32 slot);
    // Shortest general form, at most six significant digits (printf "%g").
    static QString formatNumber(double value);
};

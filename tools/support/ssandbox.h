#pragma once

#include <QString>

// Keeps a tool's or benchmark's run away from the user's library, settings and
// temporary files: a fresh folder with HOME, TMPDIR and the XDG folders inside,
// and the offscreen platform unless another was asked for.
class SSandbox
{
public:
    // Creates <TMPDIR>/<name>.XXXXXX, points the environment into it and returns
    // its path; an empty string when it cannot be made.
    static QString enter(const QString& name);
};

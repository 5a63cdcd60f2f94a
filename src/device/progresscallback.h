#pragma once

// Progress of a transfer: percentage done and a text; the answer says whether to
// go on (a reading transfer stops on false). Null means no reporting.
using ProgressCallback = bool (*)(int percent, const char* text);

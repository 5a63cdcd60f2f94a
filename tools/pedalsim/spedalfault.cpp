#include "spedalfault.h"

namespace {
struct Named
{
    SPedalFault::E_MODE mode;
    const char* name;
};
constexpr Named names[] = {
    {SPedalFault::E_NONE, "none"},
    {SPedalFault::E_DELAY, "delay"},
    {SPedalFault::E_NO_ANSWER, "no-answer"},
    {SPedalFault::E_DROP_AFTER_MESSAGES, "drop-after-messages"},
    {SPedalFault::E_DROP_AFTER_BYTES, "drop-after-bytes"},
    {SPedalFault::E_CHUNKED, "chunked"},
    {SPedalFault::E_ASYNC_BEFORE, "async-before"},
    {SPedalFault::E_WRONG_SERIAL, "wrong-serial"},
    {SPedalFault::E_CORRUPT_BYTE, "corrupt-byte"},
    {SPedalFault::E_ZERO_READS, "zero-reads"},
    {SPedalFault::E_FAIL_PATHS, "fail-paths"},
    {SPedalFault::E_VANISH, "vanish"},
};
} // namespace

QList<SPedalFault::E_MODE> SPedalFault::modes()
{
    QList<E_MODE> all;
    for (const Named& n : names)
        all.append(n.mode);
    return all;
}

QString SPedalFault::name(E_MODE mode)
{
    for (const Named& n : names) {
        if (n.mode == mode)
            return QString::fromLatin1(n.name);
    }
    return QString();
}

int SPedalFault::fromName(const QString& name)
{
    for (const Named& n : names) {
        if (name == QLatin1String(n.name))
            return n.mode;
    }
    return -1;
}

#pragma once

// The host end of a bare stop-and-wait exchange with a virtual pedal switched to
// SPedalSimulator::setBareExchange: fixed-size messages, no protocol code on
// either end. Benchmarks measure the link's own limit with it.
class SBareExchange
{
public:
    // count round trips of requestSize bytes out and answerSize bytes back on the
    // port's descriptor; false on an error or a 2 s silence.
    static bool run(int fd, int requestSize, int answerSize, int count);
};

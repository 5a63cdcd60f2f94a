#pragma once

// Common interface of the sample-rate converters: mono 32-bit float streams.
// Consecutive process() calls on one instance form one continuous stream.
class IResampler
{
public:
    virtual ~IResampler() = default;
    // Clears all filter memory and buffered input: a new stream starts.
    virtual void reset() = 0;
    // Converts n samples from in; returns how many were written to out. The
    // caller supplies room for all of them.
    virtual int process(const float* in, unsigned n, float* out) = 0;
};

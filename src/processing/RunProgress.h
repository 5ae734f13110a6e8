#pragma once

// What a run tells the progress window; the window is optional.
class RunProgress
{
public:
    virtual ~RunProgress() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setValue(int value) = 0;
};

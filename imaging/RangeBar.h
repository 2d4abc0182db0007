// The position arithmetic of a view's range bar: a float position kept
// between 0 and range - visible length. A centring bar keeps the middle of
// what is seen when its range changes (zooming).
#pragma once

class TRangeBarModel {
public:
    double Position() const { return FPosition; }
    int Range() const { return FRange; }
    int Window() const { return FWindow; }
    // Largest position: range - visible length, at least 0.
    double MaxPosition() const;

    bool Centering = true;

    void SetPosition(double position);
    // New range and visible length. A centring bar whose range changed and
    // now exceeds the visible length moves so that the same fraction of the
    // range stays in the middle.
    void SetParams(int range, int window);

private:
    void Clamp();

    double FPosition = 0;
    int FRange = 0;
    int FWindow = 0;
};

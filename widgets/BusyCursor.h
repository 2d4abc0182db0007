// The busy cursor for as long as a TBusyCursor lives, restored on every way
// out of the scope, also when an error escapes.
#pragma once

class TBusyCursor {
public:
    TBusyCursor() { Set(); }
    ~TBusyCursor() { Lift(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    // Lift() takes the cursor off while a modal run shows the normal one;
    // Set() puts it back.
    void Set();
    void Lift();

private:
    bool FSet = false;
};

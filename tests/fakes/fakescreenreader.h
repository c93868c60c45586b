#pragma once

// A screen reader listening for as long as this lives: accessibility is on, as
// the accessibility bus turns it on when one starts. listening() is false on a
// platform without accessibility.
class FakeScreenReader
{
public:
    FakeScreenReader();
    ~FakeScreenReader();
    FakeScreenReader(const FakeScreenReader &) = delete;
    FakeScreenReader &operator=(const FakeScreenReader &) = delete;

    bool listening() const;
};

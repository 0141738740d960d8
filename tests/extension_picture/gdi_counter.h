// Counts the device contexts and bitmaps that code linked into this program
// makes and deletes, by pointing this program's import address table entries
// for them at counting wrappers. GetGuiResources cannot do it under Wine
// (it always answers 0), and the settings core is linked statically into the
// test program, so its calls go through the program's own imports.
#pragma once

#include <windows.h>
#include <set>
#include <string>

class GdiCounter {
public:
    // Patches the imports; Installed() says whether every one was found.
    GdiCounter();
    // Puts the original entries back.
    ~GdiCounter();

    bool Installed() const { return installed_; }

    // Only calls made between Start and Stop are counted.
    void Start();
    void Stop();

    // Objects made while counting and not deleted yet.
    const std::set<HGDIOBJ> &Live() const;
    // DCs taken with GetDC while counting and not released yet.
    int DcsHeld() const;
    // Objects made while counting, in all.
    int Made() const;
    // Anything odd seen while counting (a delete of an unknown object, a
    // handle made twice without a delete, a failed call), as text.
    const std::string &Oddities() const;

private:
    bool installed_;
};

#pragma once
// Outcome of the fourth frame's login walk: a plain value, made by the page scripts and reported
// by every browser.
struct LoginFillResult {
    bool ok = false;    // false: the object model failed (nothing more is known)
    int frameCount = 0; // length of the top document's frames collection
    int filled = 0;     // fields written (0 unless frameCount is 4)
};

#pragma once
// Controls of a resizable window that keep their distance to the right or bottom edge or stretch
// with it, and the window's size limits.
#include <span>
#include <vector>
#include <windows.h>

enum AnchorKind : int {
    AnchorRight = 1,               // keeps its distance to the right edge
    AnchorBottom = 2,              // keeps its distance to the bottom edge
    AnchorRightBottom = 3,         // keeps both
    AnchorStretchWidth = 4,        // keeps its distance to the right edge with its width; height stays
    AnchorStretchBoth = 5,         // keeps its distance to the right and bottom edges with its size
    AnchorBottomStretchWidth = 6,  // keeps its distance to the bottom edge and stretches its width
};

struct AnchorEntry {
    int id;
    AnchorKind kind;
};

// Created when the window opens, released when it is destroyed.
class AnchorLayout {
public:
    // Records every control's distances; the table ends at its end or at id 0. Also makes the
    // current size the smallest tracking size, with no largest one.
    bool Setup(HWND window, std::span<const AnchorEntry> table);
    void Apply() const;                   // on WM_SIZE
    void Limits(MINMAXINFO& info) const;  // on WM_GETMINMAXINFO: each limit that is not -1 replaces the component
    // On a change of DPI, once the controls are scaled: the distances, limits and opening size
    // scaled to match; a stretched control's height is its own again (a combo box's, set by its font).
    void Rescale(UINT from, UINT to);

    // -1 is no limit; the window may change them after Setup.
    int minTrackWidth = -1, minTrackHeight = -1, maxTrackWidth = -1, maxTrackHeight = -1;
    int openingWidth = 0, openingHeight = 0;

private:
    struct Anchor {
        HWND control;
        AnchorKind kind;
        int a, b, x, h;  // the recorded distances; x and h only for AnchorBottomStretchWidth
    };
    HWND window_ = nullptr;
    std::vector<Anchor> anchors_;  // controls that exist only
};

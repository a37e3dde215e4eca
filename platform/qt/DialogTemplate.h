// A dialog described as data: caption, font, size and every control with its
// identifier, kind, text and rectangle in dialog units. The Qt layer builds the
// widgets from it; the resource module holds the application's templates.
#pragma once

#include <cstdint>
#include <span>

namespace kqt {

enum class ControlKind {
    PushButton,
    DefPushButton, // the default button: Enter presses it while it is enabled
    StaticText,
    StaticPicture, // an empty sunken picture area that the program draws into
    StaticIcon,    // shows the application icon
    GroupBox,
    TreeView,
    Trackbar,
    ProgressBar,
};

// Styles that change how a control looks or behaves; combine with |.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kStyleTabStop = 1u << 0,
    kStyleSunken = 1u << 1,       // sunken edge around the control
    kStyleClientEdge = 1u << 2,   // deeper sunken edge
    kStyleStaticEdge = 1u << 3,   // thin sunken edge
    kStyleBorder = 1u << 4,
    kStyleRight = 1u << 5,        // right-aligned text
    kStyleCenterImage = 1u << 6,  // text centred vertically
    kStyleNoPrefix = 1u << 7,     // '&' shown as is, not as a mnemonic
};

constexpr int kNoId = -1; // static controls the program never addresses

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, cx, cy; // dialog units
    uint32_t style;
};

// Styles of the dialog window itself.
enum DialogStyle : uint32_t {
    kDlgNone = 0,
    kDlgVisible = 1u << 0,     // shows itself when created modeless
    kDlgMinimizeBox = 1u << 1,
    kDlgAppWindow = 1u << 2,   // a main window of its own, listed by the desktop
};

struct DialogTemplate {
    int id;
    const char* caption;
    uint32_t style;
    const char* fontFamily;
    int fontPointSize;
    int cx, cy; // dialog units
    std::span<const ControlTemplate> controls; // in tab order
};

} // namespace kqt

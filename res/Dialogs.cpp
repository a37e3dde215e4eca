#include "res/Dialogs.h"

#include "res/Resource.h"

#include <array>

namespace res {

using kqt::ControlKind;
using kqt::ControlTemplate;
using kqt::DialogTemplate;
using kqt::kNoId;
using namespace kqt; // style flags

namespace {

// Controls in tab order; positions and sizes in dialog units.
constexpr std::array kAboutControls{
    ControlTemplate{kNoId, ControlKind::StaticIcon, "", 10, 5, 20, 20, kStyleNone},
    ControlTemplate{kNoId, ControlKind::StaticText, "Kestrel Version 1.0", 40, 5, 119, 8,
                    kStyleNoPrefix},
    ControlTemplate{1, ControlKind::DefPushButton, "OK", 178, 7, 32, 14, kStyleTabStop},
};

constexpr const char* kInstructions =
    "This tool converts AVI movies into Saturn CPK movies. Begin by clicking the "
    "Add Files button to select the AVI files, then click the Start button.";

// No title bar icon menu here: the About item is on the window's context menu and F1.
constexpr const char* kAboutHint =
    "For additional information or support, press F1, or right-click the window "
    "and click on About Kestrel...";

constexpr std::array kConverterControls{
    ControlTemplate{1, ControlKind::DefPushButton, "Start", 332, 9, 49, 31, kStyleTabStop},
    ControlTemplate{IDC_FILENAME, ControlKind::StaticText, "Filename", 9, 110, 179, 20,
                    kStyleCenterImage | kStyleSunken | kStyleClientEdge},
    ControlTemplate{IDC_ABORT, ControlKind::PushButton, "Abort", 331, 67, 47, 23, kStyleTabStop},
    ControlTemplate{IDC_FILELIST, ControlKind::TreeView, "", 258, 136, 125, 180,
                    kStyleBorder | kStyleClientEdge | kStyleTabStop},
    ControlTemplate{IDC_PROGRESS, ControlKind::ProgressBar, "", 6, 327, 375, 14,
                    kStyleBorder | kStyleClientEdge},
    ControlTemplate{IDC_PREVIEW, ControlKind::StaticPicture, "", 8, 136, 240, 180,
                    kStyleCenterImage | kStyleSunken | kStyleClientEdge},
    ControlTemplate{kNoId, ControlKind::StaticText, kInstructions, 7, 6, 181, 42,
                    kStyleStaticEdge},
    ControlTemplate{IDC_QUALITY, ControlKind::Trackbar, "", 255, 107, 123, 18, kStyleTabStop},
    ControlTemplate{IDC_QUALITY_VALUE, ControlKind::StaticText, "10000", 220, 110, 30, 13,
                    kStyleNone},
    ControlTemplate{kNoId, ControlKind::GroupBox, "Compression Quality", 213, 98, 169, 30,
                    kStyleNone},
    ControlTemplate{kNoId, ControlKind::GroupBox, "Data Transfer Rate", 213, 50, 95, 40,
                    kStyleNone},
    ControlTemplate{kNoId, ControlKind::StaticText, "kBytes/sec Avg.", 250, 61, 55, 11,
                    kStyleNone},
    ControlTemplate{IDC_RATE_AVG, ControlKind::StaticText, "", 223, 61, 20, 8, kStyleRight},
    ControlTemplate{IDC_RATE_MAX, ControlKind::StaticText, "", 221, 76, 22, 8, kStyleRight},
    ControlTemplate{kNoId, ControlKind::StaticText, "kBytes/sec Max.", 250, 76, 55, 11,
                    kStyleNone},
    ControlTemplate{IDC_ADDFILES, ControlKind::PushButton, "Add Files", 252, 10, 56, 23,
                    kStyleTabStop},
    ControlTemplate{kNoId, ControlKind::StaticText, kAboutHint, 7, 68, 181, 21, kStyleNone},
};

const DialogTemplate kAboutBox{IDD_ABOUTBOX, "About Kestrel", kDlgNone, kDialogFont, 12,
                               217, 87, kAboutControls};

const DialogTemplate kConverterDialog{IDD_CONVERTER_DIALOG, "Kestrel",
                                      kDlgVisible | kDlgMinimizeBox | kDlgAppWindow,
                                      kDialogFont, 8, 389, 346, kConverterControls};

} // namespace

const DialogTemplate& aboutBoxTemplate() { return kAboutBox; }
const DialogTemplate& converterDialogTemplate() { return kConverterDialog; }

} // namespace res

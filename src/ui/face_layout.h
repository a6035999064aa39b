// Where everything stands on the main window's face, in client pixels, and
// where its looks are in the skin.  The skin's second row, 275 pixels
// down, holds the pressed and lit looks of what the first row shows.
#pragma once

#include <windows.h>

#include "resource.h"
#include "ui/marovex_dlg.h"

namespace face {

constexpr int kWidth = 540;
constexpr int kHeight = 275;
// The page picture copied on every paint; wider than the window, as it is.
constexpr RECT kBackground = {0, 0, 550, 275};
constexpr LONG kLitRow = 275;

// The page tabs.
constexpr RECT kAboutTab = {387, 0, 507, 21};
constexpr RECT kMainTab = {254, 0, 374, 21};

// The clock sliders: their tracks, and the thumb's size and look.
constexpr RECT kCoreSlider = {251, 52, 481, 68};
constexpr RECT kMemorySlider = {251, 82, 481, 98};
constexpr int kThumbWidth = 5;
constexpr int kThumbHeight = 16;
constexpr POINT kThumbLook = {530, 297};

// A rectangle a placeholder is moved to before it is drawn into.
struct Place {
    int x, y, width, height;
};
// The panels that blank the output-device buttons' and the AGP row's area,
// copied from the same place of the picture; the TV options panel.
constexpr Place kOutputPanel = {11, 215, 403, 50};
constexpr Place kAGPPanel = {250, 143, 184, 19};
constexpr Place kTVPanel = {158, 215, 316, 50};

// The read-outs: their backdrops, and the digits' places, 8 pixels apart
// leftwards from the units place.
constexpr Place kCoreBackdrop = {489, 46, 31, 18};
constexpr Place kMemoryBackdrop = {489, 76, 31, 18};
constexpr int kUnitsX = 509;
constexpr int kCoreDigitsY = 49;
constexpr int kMemoryDigitsY = 80;
constexpr int kDigitWidth = 9;
constexpr int kDigitHeight = 12;

// The resolution button, the popup's place beside the window's corner, and
// the skin row of each choice's picture.
constexpr RECT kResolutionButton = {358, 234, 458, 244};
constexpr POINT kResolutionPopup = {357, 249};
constexpr POINT kResolutionLook = {1, 477};
constexpr int kResolutionLookStep = 16;

// A skinned button: its place on the face, the skin corners of its normal,
// down, hover and hover-down looks, and its tooltip.
struct ButtonPlace {
    C4StateBitButton CMarovexDlg::*member;
    UINT id;
    RECT rect;
    POINT normal, down, hover, hoverDown;
    UINT toolTip;
};

// The 18 buttons the window creates, in order: place on the face, the skin
// corners of their normal, down, hover and hover-down looks, and tooltip.
inline const ButtonPlace kButtons[] = {
    {&CMarovexDlg::m_btnAbout, IDC_ABOUT, kAboutTab, {387, 0}, {387, 275}, {387, 0}, {387, 275}, IDS_ABOUT},
    {&CMarovexDlg::m_btnMain, IDC_MAIN, kMainTab, {254, 275}, {254, 0}, {254, 275}, {254, 0}, IDS_MAIN},
    {&CMarovexDlg::m_btnClose, IDC_CLOSE, {520, 4, 536, 19}, {520, 4}, {520, 279}, {520, 4}, {520, 279}, IDS_CLOSE},
    {&CMarovexDlg::m_btnOK, IDC_OK_BUTTON, {487, 222, 526, 234}, {487, 222}, {487, 497}, {487, 222}, {487, 497}, IDS_OKAY},
    {&CMarovexDlg::m_btnCancel, IDC_CANCEL_BUTTON, {487, 245, 526, 257}, {487, 245}, {487, 520}, {487, 245}, {487, 520}, IDS_CANCEL},
    {&CMarovexDlg::m_btnD3DVSync, IDC_D3D_VSYNC, {67, 117, 113, 131}, {67, 117}, {67, 393}, {67, 117}, {67, 393}, IDS_D3D_VSYNC},
    {&CMarovexDlg::m_btnD3DFSAA2, IDC_D3D_FSAA2, {67, 152, 93, 166}, {67, 152}, {67, 428}, {67, 152}, {67, 428}, IDS_D3D_FSAA2},
    {&CMarovexDlg::m_btnD3DFSAA4, IDC_D3D_FSAA4, {67, 166, 93, 180}, {67, 166}, {67, 442}, {67, 166}, {67, 442}, IDS_D3D_FSAA4},
    {&CMarovexDlg::m_btnD3DFSAA9, IDC_D3D_FSAA9, {67, 180, 93, 194}, {67, 180}, {67, 456}, {67, 180}, {67, 456}, IDS_D3D_FSAA9},
    {&CMarovexDlg::m_btnGLVSync, IDC_GL_VSYNC, {141, 117, 187, 131}, {141, 117}, {141, 393}, {141, 117}, {141, 393}, IDS_GL_VSYNC},
    {&CMarovexDlg::m_btnGLFSAA15, IDC_GL_FSAA15, {141, 152, 216, 166}, {141, 152}, {141, 428}, {141, 152}, {141, 428}, IDS_GL_FSAA15},
    {&CMarovexDlg::m_btnGLFSAA2L, IDC_GL_FSAA2L, {141, 166, 216, 180}, {141, 166}, {141, 442}, {141, 166}, {141, 442}, IDS_GL_FSAA2L},
    {&CMarovexDlg::m_btnGLFSAA2, IDC_GL_FSAA2, {141, 180, 216, 194}, {141, 180}, {141, 456}, {141, 180}, {141, 456}, IDS_GL_FSAA2},
    {&CMarovexDlg::m_btnApply, IDC_APPLY_AT_STARTUP, {273, 104, 348, 117}, {273, 104}, {273, 380}, {273, 104}, {273, 380}, IDS_APPLY_AT_STARTUP},
    {&CMarovexDlg::m_btnTest, IDC_TEST, {358, 105, 398, 118}, {358, 105}, {358, 380}, {358, 105}, {358, 380}, IDS_TEST},
    {&CMarovexDlg::m_btnReset, IDC_RESET, {408, 105, 448, 118}, {408, 105}, {408, 380}, {408, 105}, {408, 380}, IDS_RESET},
    {&CMarovexDlg::m_btnOverlayStandard, IDC_OVERLAY_STANDARD, {302, 177, 355, 190}, {302, 177}, {302, 453}, {302, 177}, {302, 453}, IDS_OVERLAY_STANDARD},
    {&CMarovexDlg::m_btnOverlayActive, IDC_OVERLAY_ACTIVE, {355, 177, 408, 190}, {355, 177}, {355, 453}, {355, 177}, {355, 453}, IDS_OVERLAY_ACTIVE},
};

// The controls the keyboard reaches, in reading order, which is Tab's: each
// with the name and role assistive technology is told.  A group of one
// that toggles is a check box; a group of several, radio buttons.
enum class Role : long { kPushButton = 0x2B, kCheckBox = 0x2C, kRadioButton = 0x2D, kSlider = 0x33, kPageTab = 0x25 };
struct KeyboardStop {
    UINT id;
    const char* name;
    Role role;
};
inline const KeyboardStop kTabOrder[] = {
    {IDC_MAIN, "Main", Role::kPageTab},
    {IDC_ABOUT, "About", Role::kPageTab},
    {IDC_D3D_VSYNC, "Direct3D V-Sync", Role::kCheckBox},
    {IDC_D3D_FSAA2, "Direct3D FSAA 2x", Role::kRadioButton},
    {IDC_D3D_FSAA4, "Direct3D FSAA 4x", Role::kRadioButton},
    {IDC_D3D_FSAA9, "Direct3D FSAA 9x", Role::kRadioButton},
    {IDC_GL_VSYNC, "OpenGL V-Sync", Role::kCheckBox},
    {IDC_GL_FSAA15, "OpenGL FSAA 1.5x", Role::kRadioButton},
    {IDC_GL_FSAA2L, "OpenGL FSAA 2x LOD", Role::kRadioButton},
    {IDC_GL_FSAA2, "OpenGL FSAA 2x", Role::kRadioButton},
    {IDC_CORE_SLIDER, "Core clock", Role::kSlider},
    {IDC_MEMORY_SLIDER, "Memory clock", Role::kSlider},
    {IDC_APPLY_AT_STARTUP, "Apply at startup", Role::kCheckBox},
    {IDC_TEST, "Test", Role::kPushButton},
    {IDC_RESET, "Reset", Role::kPushButton},
    {IDC_OVERLAY_STANDARD, "Overlay Standard", Role::kRadioButton},
    {IDC_OVERLAY_ACTIVE, "Overlay Activated", Role::kRadioButton},
    {IDC_OK_BUTTON, "OK", Role::kPushButton},
    {IDC_CANCEL_BUTTON, "Cancel", Role::kPushButton},
    {IDC_CLOSE, "Close", Role::kPushButton},
};
// The first stop of the page's own controls, after the tabs.
constexpr int kFirstPageStop = 2;

}  // namespace face

#pragma once
// Versions of the common-control library (comctl32.dll) as one comparable number,
// major * 100 + minor: 400 for 4.00, 470 for 4.70, 472 for 4.72, 581 for 5.81, 600 for 6.0.
namespace kaze {

constexpr int kControls400 = 400;  // Windows 95, NT 4.0
constexpr int kControls470 = 470;  // Internet Explorer 3, 95 OSR 2
constexpr int kControls471 = 471;  // Internet Explorer 4

// The version from the library's own report: `reported` tells whether it exported
// DllGetVersion and that call succeeded (4.00 and 4.70 have no such function). A missing
// or failed report, or one older than 4.00, counts as 4.00, the oldest the program meets.
int ControlsVersionFromReport(bool reported, unsigned long major, unsigned long minor);

// The loaded library's version, asked from its DllGetVersion at run time
// (system/CommonControlsVersion.cpp; Windows only).
int CommonControlsVersion();

}  // namespace kaze

#pragma once
// Message numbers by which document windows, the engine and the graphics
// library talk to the frame. The desktop program carries them as custom
// events with the same numbers.

namespace platform {

inline constexpr unsigned WM_USER = 0x0400;

inline constexpr unsigned WM_STOPREQUEST = 0x0401;      // stop the current process
inline constexpr unsigned WM_PATTLIBREQUEST = 0x0402;   // ask for the pattern library
inline constexpr unsigned WM_COLORTABLECLOSED = 0x0467; // colour table window closed
inline constexpr unsigned WM_SAVEREQUEST = 0x046B;      // save the document
inline constexpr unsigned WM_STATUSREFRESH = 0x046C;    // refresh the status bar panes
inline constexpr unsigned WM_PROGRESSREPORT = 0x046E;   // progress record attached
inline constexpr unsigned WM_ADDPATTERN = 0x0470;       // add a pattern
inline constexpr unsigned WM_HINTREQUEST = 0x04C8;      // show a hint
inline constexpr unsigned WM_GRAPHSTATUS = 0x0227;      // the graphics library's status record

} // namespace platform

#pragma once
// The main window's own command codes of the player command message, beside
// those of playercommand.h (play, stop), recordingowner.h (the recording
// worker's) and serviceowner.h (the online workers'), and the menu ids the
// window dispatches.

// Sign-in button asked for by code; no sender in the program.
inline constexpr unsigned ID_CMD_SIGNIN_MENU = 33777;
// The lyrics window's close button (sent, lParam 0).
inline constexpr unsigned ID_CMD_LYRICS_CLOSED = 33782;
// Upload the recording just made (posted by the after-recording chain).
inline constexpr unsigned ID_CMD_UPLOAD_RECORDING = 33783;

// Menu ids: the menu bar's pull-downs, the personal bar's pull-downs and
// the playlist window's menus.
namespace menuid {
inline constexpr unsigned kOpenFile = 32797;
inline constexpr unsigned kKvoDownload = 32798;
inline constexpr unsigned kExit = 32799;
inline constexpr unsigned kPlay = 32800;
inline constexpr unsigned kPause = 32801;
inline constexpr unsigned kStop = 32802;
inline constexpr unsigned kNext = 32803;
inline constexpr unsigned kPrevious = 32804;
inline constexpr unsigned kShuffle = 32805;
inline constexpr unsigned kRepeatOff = 32806;
inline constexpr unsigned kRepeatAll = 32807;
inline constexpr unsigned kRepeatOne = 32808;
inline constexpr unsigned kVolumeUp = 32809;
inline constexpr unsigned kVolumeDown = 32810;
inline constexpr unsigned kUccEditor = 32811;
inline constexpr unsigned kPreferences = 32812;
inline constexpr unsigned kHelp = 32813;
inline constexpr unsigned kYourAccount = 32814;
inline constexpr unsigned kSiteHome = 32815;
inline constexpr unsigned kAbout = 32816;
inline constexpr unsigned kKvoConvert = 32817;
inline constexpr unsigned kBuyTicket = 32818;
inline constexpr unsigned kMyPellamBox = 32819;
inline constexpr unsigned kKvoFiles = 32820;
inline constexpr unsigned kUccFiles = 32821;
inline constexpr unsigned kListPlay = 32822;
inline constexpr unsigned kAddKvoDownload = 32826;
inline constexpr unsigned kListBuyTicket = 32829;
inline constexpr unsigned kToMobile = 32831;
inline constexpr unsigned kFromMobile = 32832;
inline constexpr unsigned kUccUpload = 32835;
inline constexpr unsigned kAddFiles = 32836;
}  // namespace menuid

#pragma once
// What norvik-cli tells its user. Where the window says the same thing, the
// words are the window's, so that a report from either reads alike.

namespace norvik::cli::texts {

// The window's boxes.
inline constexpr const char* kOpenError = "Open Com Error ! Please check Com Port setting";
inline constexpr const char* kAccessError =
    "The Norvik can not access the module.\n\n Please check the settings, wire and make sure "
    "PROFIBUS Master is online and configured correctly (RUN led is on).";

// The window's status line.
inline constexpr const char* kLinkLost = "No connection to the Module !";
inline constexpr const char* kParameterIncomplete = "Error ! Parameter block incomplete!";
inline constexpr const char* kFileNameError = "Receive file name error";
inline constexpr const char* kSafeValueSent = "Send safe value finish";
inline constexpr const char* kSaveSafeValueError = "Save safe value error !";
inline constexpr const char* kSendSafeValueError = "Send safe value error !";
inline constexpr const char* kReceiveSafeValueError = "Receive safe value error !";
inline constexpr const char* kReadSafeValueError = "Read safe value error !";
inline constexpr const char* kIpSettingSent = "Send ip setting finish";
inline constexpr const char* kSaveIpSettingError = "Save ip setting error !";
inline constexpr const char* kSendIpSettingError = "Send ip setting error !";
inline constexpr const char* kReceiveIpSettingError = "Receive ip setting error !";
inline constexpr const char* kReadIpSettingError = "Read ip setting error !";

// The IP dialog's refusals.
inline constexpr const char* kLocalIpIllegal = "Error ! Local IP isn't legal.";
inline constexpr const char* kRemoteIpIllegal = "Error ! Remote IP (%zu) isn't legal.";

// The window's boxes about files, and its firmware dialog.
inline constexpr const char* kFileCreateError = "Error ! File can not create or other unexpected error.";
inline constexpr const char* kFileOpenError = "Error ! File doesn't exits or other unexpected error.";
inline constexpr const char* kFirmwareNotSupported = "This module is not support Get Firmware version Command !";
inline constexpr const char* kLabelFirmwareName = "Firmware name :";
inline constexpr const char* kLabelVersion = "Version :";
inline constexpr const char* kLabelFileCount = "File count :";

// The command line's own.
inline constexpr const char* kNoAnswer = "No answer from the gateway.";
inline constexpr const char* kReadBackSame = "Read back: the same";
inline constexpr const char* kReadBackDiffers = "Read back: differs";
inline constexpr const char* kHoldsOther = "The gateway holds other values than were sent.";
inline constexpr const char* kWrittenTo = "Written to ";
inline constexpr const char* kBackedUpTo = "Backed up to ";
inline constexpr const char* kNoDifference = "No difference";
inline constexpr const char* kDifferences = "Differences:";
inline constexpr const char* kRestoreChangesNothing = "A restore would change nothing it can write.";
inline constexpr const char* kRestoreWouldChange = "A restore would change:";
inline constexpr const char* kRestoreVerified = "Restore verified";
inline constexpr const char* kSafeValuesNotSent = "The safe values were not sent.";
inline constexpr const char* kSafeValuesStored = "The safe values were sent and the gateway stored them.";
inline constexpr const char* kSafeValuesUnconfirmed =
    "The safe values were sent, but the gateway did not confirm them: it may have stored them.";
inline constexpr const char* kIpSettingNotSent = "The IP setting was not sent.";
inline constexpr const char* kIpSettingStored = "The IP setting was sent and the gateway stored it.";
inline constexpr const char* kIpSettingUnconfirmed =
    "The IP setting was sent, but the gateway did not confirm it: it may have stored it.";
inline constexpr const char* kCompareOnceBack =
    "Once the link is back, run norvik-cli diff with the backup to see what the gateway holds.";
inline constexpr const char* kNothingChanged = "Nothing was changed on the gateway.";
inline constexpr const char* kOnlySafeValuesRestored = "Only the safe values were restored; the IP setting was not.";
inline constexpr const char* kFilePrefix = "File: ";
inline constexpr const char* kBackupNotBlock = "This is a Norvik backup, not a block file.";
inline constexpr const char* kUseRestore = "A backup is sent with: norvik-cli restore FILE";
inline constexpr const char* kCannotWrite = "The file could not be written.";
inline constexpr const char* kLayoutUndecided =
    "The file-name reply did not come whole, so the size of the gateway's safe values is not known: "
    "nothing was read or sent on a guess. Run the command again.";
inline constexpr const char* kNotReportFolder =
    "The folder holds a file that is no report table: it was left as it is. Choose an empty or new folder.";
inline constexpr const char* kReportWithoutSafeValues =
    "The gateway did not name its firmware files: the report holds no safe values.";
inline constexpr const char* kNoPdf = "this build writes no PDF: use report --csv";
inline constexpr const char* kInterrupted = "norvik-cli: interrupted";
inline constexpr const char* kTerminated = "norvik-cli: terminated";

}  // namespace norvik::cli::texts

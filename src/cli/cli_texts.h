// Every text the command shows its user, in one place, so that a translation catalogue can take
// them over later. Printf-style texts name their arguments in the comment beside them.
#pragma once

namespace cli_text {

inline constexpr const char* kUsage =
    "Usage: rodiduz-setup-cli [--apn APN | --operator NAME] [--user USER] [--password-file FILE]\n"
    "                         [--pin-stdin | --pin-file FILE] [--puk-file FILE]\n"
    "                         [--port PORT] [--wait SECONDS] [--box-timeout SECONDS] [--catalogue FILE]\n"
    "                         [--log-dir FOLDER] [--json] [--batch --report FILE.csv]\n";
inline constexpr const char* kUnknownOption = "unknown option: %s";  // the option
inline constexpr const char* kMissingValue = "%s needs a value";     // the option
inline constexpr const char* kBadPort = "--port takes a port such as COM7 or 7";
inline constexpr const char* kBadSeconds = "%s takes a whole number of seconds";  // the option
inline constexpr const char* kApnAndOperator = "--apn and --operator cannot go together";
inline constexpr const char* kTwoPinSources = "--pin-stdin and --pin-file cannot go together";
inline constexpr const char* kCredentialsWithoutApn = "--user and --password-file go with --apn";
inline constexpr const char* kPukWithoutPin = "--puk-file needs the new PIN (--pin-stdin or --pin-file)";
inline constexpr const char* kPukInBatch =
    "--puk-file cannot go with --batch: one PUK is never right for many SIMs, and wrong ones end a SIM";
inline constexpr const char* kBatchNeedsReport = "--batch and --report FILE.csv go together";
inline constexpr const char* kCannotReadSecret = "cannot read %s: %s";  // the option, the reason

inline constexpr const char* kSearching = "Searching for the box";
inline constexpr const char* kFound = "Box found on COM%d";  // the port's number
inline constexpr const char* kConnected = "Connected; waiting for the box to start";
inline constexpr const char* kUnlocked = "Box ready; reading its SIM and network";
inline constexpr const char* kNetwork = "Network %d/%d, signal %s";                  // MCC, MNC, the signal
inline constexpr const char* kBoxId = "Box ID %s";                                   // the box's ID
inline constexpr const char* kWriting = "Writing the settings (APN \"%s\")";         // the APN
inline constexpr const char* kTesting = "Testing the connection (%d seconds left)";  // the seconds
inline constexpr const char* kBoxSays = "Box: %s";  // a message the wizard shows

inline constexpr const char* kPassed = "Passed: %s";                     // the box's web link
inline constexpr const char* kNoBox = "No box found within %d seconds";  // the seconds
inline constexpr const char* kNoSim = "No SIM card in the box";
inline constexpr const char* kPinProblem = "The SIM wants a PIN that was not given, or refused the one given";
inline constexpr const char* kPukProblem = "The SIM wants its PUK, or refused the one given";
inline constexpr const char* kTestFailed = "The connection test failed";
inline constexpr const char* kBoxGone = "The box went away";
inline constexpr const char* kSettingRefused = "A setting was refused before sending";
inline constexpr const char* kBoxSilent = "The box stopped answering";
inline constexpr const char* kUnknownOperator = "No operator \"%s\" for the box's network";  // the name
inline constexpr const char* kFailed = "Setup failed: %s";                                   // the reason
inline constexpr const char* kLogSaved = "Log saved as %s";                                  // the path
inline constexpr const char* kLogNotSaved = "The log could not be saved: %s";                // the reason

inline constexpr const char* kNextBox = "Unplug the box and plug in the next one";
inline constexpr const char* kInterrupted = "Interrupted: the batch ends";
inline constexpr const char* kBatchOver =
    "Batch over: %d boxes, %d failed; report in %s";                                 // boxes, failed, file
inline constexpr const char* kCannotWriteReport = "cannot write the report %s: %s";  // the file, the reason
inline constexpr const char* kReportHeader = "time,box_id,link,operator,apn,signal,sim,result,exit_status";

}  // namespace cli_text

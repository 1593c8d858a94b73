// Every text the command shows its user, in one place: each English text is its key in the
// catalogue of translations, and names its values ("{port}") so that a translation may order
// them as its language wants. What machines read (the report's header, the JSON's names and
// values, the options) is not here and is never translated.
#pragma once

#include "common/translations.h"

namespace cli_text {

// The prose before the synopsis; the synopsis itself is the options, which stay as they are.
inline constexpr const char* kUsage = N_("Usage:");
inline constexpr const char* kSynopsis[] = {
    "rodiduz-setup-cli [--apn APN | --operator NAME] [--user USER] [--password-file FILE]",
    "                  [--pin-stdin | --pin-file FILE] [--puk-file FILE]",
    "                  [--port PORT] [--wait SECONDS] [--box-timeout SECONDS] [--catalogue FILE]",
    "                  [--log-dir FOLDER] [--json] [--batch --report FILE.csv]",
};

// Translators: {option} is an option as typed, such as --pin.
inline constexpr const char* kUnknownOption = N_("unknown option: {option}");
// Translators: {option} is an option such as --apn; options are never translated.
inline constexpr const char* kMissingValue = N_("{option} needs a value");
inline constexpr const char* kBadPort = N_("--port takes a port such as COM7 or 7");
// Translators: {option} is --wait or --box-timeout.
inline constexpr const char* kBadSeconds = N_("{option} takes a whole number of seconds");
inline constexpr const char* kApnAndOperator = N_("--apn and --operator cannot go together");
inline constexpr const char* kTwoPinSources = N_("--pin-stdin and --pin-file cannot go together");
inline constexpr const char* kCredentialsWithoutApn = N_("--user and --password-file go with --apn");
inline constexpr const char* kPukWithoutPin = N_("--puk-file needs the new PIN (--pin-stdin or --pin-file)");
inline constexpr const char* kPukInBatch =
    N_("--puk-file cannot go with --batch: one PUK is never right for many SIMs, and wrong ones end a SIM");
inline constexpr const char* kBatchNeedsReport = N_("--batch and --report FILE.csv go together");
// Translators: {option} is --pin-file, --pin-stdin, --puk-file or --password-file; {reason} a
// sentence saying why.
inline constexpr const char* kCannotReadSecret = N_("cannot read {option}: {reason}");

inline constexpr const char* kSearching = N_("Searching for the box");
// Translators: {port} is the number of a COM port, as in COM7.
inline constexpr const char* kFound = N_("Box found on COM{port}");
inline constexpr const char* kConnected = N_("Connected; waiting for the box to start");
inline constexpr const char* kUnlocked = N_("Box ready; reading its SIM and network");
// Translators: {mcc} and {mnc} are the network's country and network codes (262/1);
// {signal} is the wizard's signal line, such as "Signal Strength: Good".
inline constexpr const char* kNetwork = N_("Network {mcc}/{mnc}, {signal}");
// Translators: {apn} is the access point name as it goes to the box.
inline constexpr const char* kWriting = N_("Writing the settings (APN \"{apn}\")");
// Translators: {seconds} is a whole number, 1 to 60.
inline constexpr const char* kTesting = N_("Testing the connection ({seconds} seconds left)");
// Translators: {message} is a message of the wizard, already in the user's language.
inline constexpr const char* kBoxSays = N_("Box: {message}");

// Translators: {link} is the box's web address.
inline constexpr const char* kPassed = N_("Passed: {link}");
// Translators: {seconds} is the whole number of seconds of --wait.
inline constexpr const char* kNoBox = N_("No box found within {seconds} seconds");
inline constexpr const char* kNoSim = N_("No SIM card in the box");
inline constexpr const char* kPinProblem =
    N_("The SIM wants a PIN that was not given, or refused the one given");
inline constexpr const char* kPukProblem = N_("The SIM wants its PUK, or refused the one given");
inline constexpr const char* kTestFailed = N_("The connection test failed");
inline constexpr const char* kBoxGone = N_("The box went away");
inline constexpr const char* kSettingRefused = N_("A setting was refused before sending");
inline constexpr const char* kBoxSilent = N_("The box stopped answering");
// Translators: {name} is the operator's name as given with --operator.
inline constexpr const char* kUnknownOperator = N_("No operator \"{name}\" for the box's network");
// Translators: {reason} is one of the command's sentences saying why, such as "The box went away".
inline constexpr const char* kFailed = N_("Setup failed: {reason}");
// Translators: {path} is the log file's full path.
inline constexpr const char* kLogSaved = N_("Log saved as {path}");
// Translators: {reason} is a sentence saying why.
inline constexpr const char* kLogNotSaved = N_("The log could not be saved: {reason}");

inline constexpr const char* kNextBox = N_("Unplug the box and plug in the next one");
inline constexpr const char* kInterrupted = N_("Interrupted: the batch ends");
// Translators: {boxes} and {failed} are whole numbers (0 and up); {file} the report's path.
inline constexpr const char* kBatchOver = N_("Batch over: {boxes} boxes, {failed} failed; report in {file}");
// Translators: {file} is the report's path; {reason} the system's sentence saying why.
inline constexpr const char* kCannotWriteReport = N_("cannot write the report {file}: {reason}");

// The report's first line, which spreadsheets and scripts read: never translated.
inline constexpr const char* kReportHeader = "time,box_id,link,operator,apn,signal,sim,result,exit_status";

}  // namespace cli_text
